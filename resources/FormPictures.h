// The form views' pictures, drawn in code: header bitmaps per item type and the property icons.
#pragma once

// Registers the header bitmaps and the Properties page icons with the window layer.
void RegisterFormPictures();

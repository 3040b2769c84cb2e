// The dialogs of profile, store and folder choice: their templates and the folder icons.
#pragma once

// Registers the templates 162, 163, 199 and 206 and the folder icons 164 to 175.
void RegisterProfileResources();

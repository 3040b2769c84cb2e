// The folder icons of the folder picker, drawn in code.
#pragma once

// Registers icons 164 to 175, one per folder kind.
void RegisterFolderIcons();

// The language module: the program's one door to its user-visible texts, loaded in the background.
#pragma once

#include "platform/win32/WinTypes.h"

// The language a fresh installation starts in (English, United Kingdom).
#define QRV_DEFAULT_LANGUAGE_ID 2057

// The program's settings under HKEY_CURRENT_USER, and the value that holds the user's language
// (a REG_DWORD language id).
#define QRV_REGKEY_USER_SETTINGS "SOFTWARE\\Ostrany\\Quorvel"
#define QRV_REGVAL_CURRENT_LANGUAGE "CurrentLanguageID"

// Creates the module lock; harmless when called twice. Always S_OK.
HRESULT InitLanguageModule();

// Lists the language files of the product, loads the preferred language at once and starts the
// background loader for the others. A second call while the loader exists changes nothing.
HRESULT LoadLanguages(LONG lPreferredLanguageID);

// Hands out the text of nTextID in the current language as a heap copy (malloc) that the caller
// frees with free(). *ppszText is set to NULL first; on any failure it stays NULL and the caller
// uses its built-in default. Waits (in 100 ms steps) only while the current language is still
// being loaded, and gives up as soon as that load failed or the loader has ended.
HRESULT GetLanguageText(LPSTR* ppszText, LONG nTextID);

// Makes lLanguageID current and keeps it in the user's registry for the next start. Always S_OK.
HRESULT SetDefaultLanguageID(LONG lLanguageID);

// Makes lLanguageID current for this run only: the choice kept in the registry stays (a start
// that cannot use the chosen language must not forget it). Always S_OK.
HRESULT UseLanguageForThisRun(LONG lLanguageID);

// The current language id; QRV_DEFAULT_LANGUAGE_ID until one of the two above is called.
LONG GetCurrentLanguageID();

// Stops the loader (it finishes the file it is reading) and frees the language table. Always S_OK.
HRESULT CloseLanguageModule();

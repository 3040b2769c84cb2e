// The language module: lists the language files, loads the preferred one at once and the others on
// a background thread, and hands out texts of the current language by number.
//
// Threads: every entry point runs on the user-interface thread; the loader thread only loads files
// into the dictionary and sets the state of their rows. The module lock is held by LoadLanguages,
// by the loader for its whole pass and by CloseLanguageModule; lookups never take it, so a lookup
// waits at most for its own language, never for the whole pass.
#include "language/LanguageSettings.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "language/LanguageDict.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Sync.h"
#include "platform/win32/Threads.h"
#include "trace/Trace.h"

namespace {

const char* const PRODUCT_NAME = "Quorvel";
const char* const LANGUAGE_MASK = "*.lng";
const char* const STOP_EVENT_NAME = "QRV_LANGUAGE_MODULE_THREAD";
const DWORD WAIT_STEP_MS = 100;

// A row's language is pending until the loader (or LoadLanguages) has tried it; a waiting lookup
// ends when the row leaves the pending state or when the loader has ended without reaching it.
enum RowState : LONG { ROW_PENDING = 0, ROW_LOADED = 1, ROW_FAILED = 2 };

struct LanguageRow {
    LONG lLanguageID = 0;
    LPSTR pszPath = nullptr;
    std::atomic<LONG> lState{ROW_PENDING};
};

CLanguageDict s_Dictionary;

CRITICAL_SECTION s_ModuleLock;
std::atomic<BOOL> s_bInitialized{FALSE};
LanguageRow* s_pRows = nullptr;
LONG s_lRowCount = 0;
HANDLE s_hLoaderThread = nullptr;
HANDLE s_hStopEvent = nullptr;
// TRUE while no loader pass is running or due: a lookup must not wait for a row nobody will load.
std::atomic<BOOL> s_bLoaderEnded{TRUE};
std::atomic<LONG> s_lCurrentLanguageID{QRV_DEFAULT_LANGUAGE_ID};

void FreeTable() {
    for (LONG i = 0; i < s_lRowCount; ++i)
        std::free(s_pRows[i].pszPath);
    delete[] s_pRows;
    s_pRows = nullptr;
    s_lRowCount = 0;
}

DWORD LoadLanguageFilesThread(LPVOID /*pParameter*/) {
    TRACE_FUNC_VOID("LoadLanguageFilesThread");
    // Waits here until LoadLanguages has finished building the table.
    EnterCriticalSection(&s_ModuleLock);
    HANDLE hStop = OpenEventA(SYNCHRONIZE, FALSE, STOP_EVENT_NAME);
    if (hStop == nullptr)
        QTRACE(TRACE_WARNING, "OpenEvent() failed: Error code %ld\n", GetLastError());
    for (LONG i = 0; i < s_lRowCount; ++i) {
        LanguageRow& row = s_pRows[i];
        if (row.lState.load() == ROW_PENDING) {
            // The flag is set only after the language is completely in the dictionary.
            if (s_Dictionary.Load(row.pszPath)) {
                row.lState.store(ROW_LOADED);
            } else {
                QTRACE(TRACE_ERROR, "Failed to load language (ID:%ld, path=\"%s\")!\n", row.lLanguageID,
                       row.pszPath);
                row.lState.store(ROW_FAILED);
            }
        }
        if (hStop != nullptr && WaitForSingleObject(hStop, 0) == WAIT_OBJECT_0)
            break;
    }
    if (hStop != nullptr)
        CloseHandle(hStop);
    s_bLoaderEnded.store(TRUE);
    LeaveCriticalSection(&s_ModuleLock);
    return 0;
}

}  // namespace

HRESULT InitLanguageModule() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("InitLanguageModule", hr);
    if (!s_bInitialized.load()) {
        InitializeCriticalSection(&s_ModuleLock);
        s_pRows = nullptr;
        s_lRowCount = 0;
        s_hLoaderThread = nullptr;
        s_hStopEvent = nullptr;
        s_bLoaderEnded.store(TRUE);
        s_bInitialized.store(TRUE);
    }
    return hr;
}

HRESULT LoadLanguages(LONG lPreferredLanguageID) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("LoadLanguages", hr);
    if (!s_bInitialized.load()) {
        QTRACE(TRACE_ERROR, "Language module not initialized!\n");
        hr = E_FAIL;
        return hr;
    }
    EnterCriticalSection(&s_ModuleLock);
    if (s_hLoaderThread != nullptr) {
        LeaveCriticalSection(&s_ModuleLock);
        return hr;
    }

    CLanguageInfo* pList = nullptr;
    LONG lCount = 0;
    hr = s_Dictionary.GetSupportedLanguageList(PRODUCT_NAME, QRV_DEFAULT_LANGUAGE_ID, &lCount, &pList,
                                               LANGUAGE_MASK);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetSupportedLanguageList() failed: hr = 0x%lx \n", hr);
    } else if (lCount < 1) {
        QTRACE(TRACE_ERROR, "No languages available!\n");
        hr = E_FAIL;
    } else {
        // A table left from a call whose loader could not start is replaced.
        FreeTable();
        s_pRows = new (std::nothrow) LanguageRow[lCount];
        if (s_pRows == nullptr) {
            QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate load info structure array!\n");
            hr = E_OUTOFMEMORY;
        } else {
            s_lRowCount = lCount;
            for (LONG i = 0; i < lCount && SUCCEEDED(hr); ++i) {
                s_pRows[i].lLanguageID = pList[i].GetLanguageID();
                hr = pList[i].GetFileLocation(&s_pRows[i].pszPath);
                if (FAILED(hr))
                    QTRACE(TRACE_ERROR, "GetFileLocation() failed: hr =0x%08lx\n", hr);
            }
        }
    }

    if (SUCCEEDED(hr)) {
        for (LONG i = 0; i < s_lRowCount; ++i) {
            if (s_pRows[i].lLanguageID != lPreferredLanguageID)
                continue;
            if (s_Dictionary.Load(s_pRows[i].pszPath))
                s_pRows[i].lState.store(ROW_LOADED);
            else
                QTRACE(TRACE_WARNING, "Load() failed! Retrying operation later.\n");
            break;
        }

        s_hStopEvent = CreateEventA(nullptr, TRUE, FALSE, STOP_EVENT_NAME);
        if (s_hStopEvent == nullptr)
            QTRACE(TRACE_WARNING, "CreateEvent() failed: Error code %ld\n", GetLastError());
        else
            ResetEvent(s_hStopEvent);

        s_bLoaderEnded.store(FALSE);
        s_hLoaderThread = CreateThread(nullptr, 0, LoadLanguageFilesThread, nullptr, 0, nullptr);
        if (s_hLoaderThread == nullptr) {
            QTRACE(TRACE_ERROR, "CreateThread() feiled: Error code %ld\n", GetLastError());
            s_bLoaderEnded.store(TRUE);
            if (s_hStopEvent != nullptr) {
                CloseHandle(s_hStopEvent);
                s_hStopEvent = nullptr;
            }
            hr = E_FAIL;
        }
    }
    delete[] pList;
    LeaveCriticalSection(&s_ModuleLock);
    return hr;
}

HRESULT GetLanguageText(LPSTR* ppszText, LONG nTextID) {
    HRESULT hr = E_FAIL;
    TRACE_FUNC_RESULT("GetLanguageText", hr);
    if (ppszText == nullptr) {
        hr = E_INVALIDARG;
        return hr;
    }
    *ppszText = nullptr;
    if (!s_bInitialized.load()) {
        QTRACE(TRACE_ERROR, "Please init module first!\n");
        return hr;
    }
    LONG lLanguageID = s_lCurrentLanguageID.load();
    LanguageRow* pRow = nullptr;
    for (LONG i = 0; i < s_lRowCount; ++i) {
        if (s_pRows[i].lLanguageID == lLanguageID) {
            pRow = &s_pRows[i];
            break;
        }
    }
    if (pRow == nullptr) {
        QTRACE(TRACE_ERROR, "Language ID %ld not found. Try SetDefaultLanguageID() first!\n", lLanguageID);
        return hr;
    }
    if (pRow->lState.load() == ROW_PENDING) {
        QTRACE(TRACE_INFO, "Waiting for language %ld to be loaded...\n", lLanguageID);
        // The loader's end is read before the row: a row still pending after the loader ended
        // will never be loaded, so the wait stops there instead of running forever.
        for (;;) {
            BOOL bLoaderEnded = s_bLoaderEnded.load();
            if (pRow->lState.load() != ROW_PENDING || bLoaderEnded)
                break;
            Sleep(WAIT_STEP_MS);
        }
        if (pRow->lState.load() != ROW_LOADED) {
            QTRACE(TRACE_ERROR, "Language %ld could not be loaded!\n", lLanguageID);
            return hr;
        }
        QTRACE(TRACE_INFO, "Language %ld loaded.\n", lLanguageID);
    } else if (pRow->lState.load() == ROW_FAILED) {
        QTRACE(TRACE_ERROR, "Language %ld could not be loaded!\n", lLanguageID);
        return hr;
    }
    *ppszText = s_Dictionary.GetLanguageText(lLanguageID, nTextID);
    if (*ppszText == nullptr) {
        QTRACE(TRACE_ERROR, "s_Dictionary.GetLanguageText() failed!\n");
        return hr;
    }
    hr = S_OK;
    return hr;
}

HRESULT UseLanguageForThisRun(LONG lLanguageID) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("UseLanguageForThisRun", hr);
    QTRACE(TRACE_INFO, "Language ID will be %ld for this run.\n", lLanguageID);
    s_lCurrentLanguageID.store(lLanguageID);
    return hr;
}

HRESULT SetDefaultLanguageID(LONG lLanguageID) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("SetDefaultLanguageID", hr);
    QTRACE(TRACE_INFO, "Language ID will be set to %ld.\n", lLanguageID);
    s_lCurrentLanguageID.store(lLanguageID);
    // The key is created when missing, so the choice made on a fresh machine is kept.
    HKEY hKey = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, QRV_REGKEY_USER_SETTINGS, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, &hKey, nullptr) != ERROR_SUCCESS) {
        QTRACE(TRACE_ERROR, "Failed to open registry key. Language settings can not be saved.\n");
        return hr;
    }
    DWORD dwValue = static_cast<DWORD>(lLanguageID);
    if (RegSetValueExA(hKey, QRV_REGVAL_CURRENT_LANGUAGE, 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&dwValue), sizeof(dwValue)) != ERROR_SUCCESS)
        QTRACE(TRACE_WARNING, "Failed to save current language key.\n");
    RegCloseKey(hKey);
    return hr;
}

LONG GetCurrentLanguageID() {
    LONG lLanguageID = s_lCurrentLanguageID.load();
    TRACE_FUNC_RESULT("GetCurrentLanguageID", lLanguageID);
    return lLanguageID;
}

HRESULT CloseLanguageModule() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CloseLanguageModule", hr);
    BOOL bWasInitialized = s_bInitialized.load();
    if (bWasInitialized) {
        if (s_hLoaderThread != nullptr) {
            // The loader ends after the file it is reading; without an event it ends its pass.
            if (s_hStopEvent != nullptr)
                SetEvent(s_hStopEvent);
            WaitForSingleObject(s_hLoaderThread, INFINITE);
            EnterCriticalSection(&s_ModuleLock);
            CloseHandle(s_hLoaderThread);
            s_hLoaderThread = nullptr;
            if (s_hStopEvent != nullptr)
                CloseHandle(s_hStopEvent);
            s_hStopEvent = nullptr;
        } else {
            EnterCriticalSection(&s_ModuleLock);
        }
    }
    s_bInitialized.store(FALSE);
    if (bWasInitialized) {
        FreeTable();
        s_bLoaderEnded.store(TRUE);
        LeaveCriticalSection(&s_ModuleLock);
        DeleteCriticalSection(&s_ModuleLock);
    }
    return hr;
}

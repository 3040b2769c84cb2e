// The version frames around the bodies of the saved records: a DWORD version, then its body.
#pragma once

#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "platform/win32/WinTypes.h"
#include "trace/Trace.h"

// What a frame traces: each family of records has its own texts, which the logs keep apart.
struct SRecordFrameTexts {
    const char* pszBadVersion;  // takes the version read
    const char* pszStoreFailed;
    const char* pszLoadFailed;
};

// DWORD 1, then the version-1 body. Another version is not supported and stops the load at once:
// the rest of the record would be read as the next one. Every failure is traced on its way out
// and passed on; a load that fails calls reset() so that nothing half read stays.
template <class Save, class Load, class Reset>
void SerializeVersion1Frame(CArchive& ar, const SRecordFrameTexts& texts, Save save, Load load, Reset reset) {
    const BOOL bStoring = ar.IsStoring();
    try {
        if (bStoring) {
            ar << (DWORD)1;
            save();
        } else {
            DWORD dwVersion = 0;
            ar >> dwVersion;
            if (dwVersion != 1) {
                QTRACE(TRACE_ERROR, texts.pszBadVersion, dwVersion);
                reset();
                AfxThrowNotSupportedException();
            }
            load();
        }
    } catch (CException*) {
        QTRACE(TRACE_ERROR, "%s", bStoring ? texts.pszStoreFailed : texts.pszLoadFailed);
        if (!bStoring) {
            reset();
        }
        throw;
    }
}

// The frame of the configuration, store and folder records and of the property lists' base part.
// Their loads clean up after themselves: nothing to reset.
template <class Save, class Load>
void SerializeContentsVersion1(CArchive& ar, Save save, Load load) {
    static const SRecordFrameTexts s_texts = {"Invalid archive version %ld!\n", "Failed to store contents!\n",
                                              "Failed to load contents!\n"};
    SerializeVersion1Frame(ar, s_texts, save, load, [] {});
}

// The frame of the property identifier records: a failed load leaves the identifier reset.
template <class Save, class Load, class Reset>
void SerializePropertyVersion1(CArchive& ar, Save save, Load load, Reset reset) {
    static const SRecordFrameTexts s_texts = {
        "Unknown version number %ld!\n", "Failed to store to archive!\n", "Failed to load from archive!\n"};
    SerializeVersion1Frame(ar, s_texts, save, load, reset);
}

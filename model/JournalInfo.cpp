// Configurations of one item type: the type code, the INI section and the default property file.
#include "model/JournalInfo.h"

#include "platform/afx/CArchive.h"
#include "trace/Trace.h"

IMPLEMENT_SERIAL(CJournalInfo, CConfigInfo, 1)

CJournalInfo::CJournalInfo() {
    TRACE_CTOR("CJournalInfo");
}

CJournalInfo::CJournalInfo(const CString& strName, CQuorvelDoc* pDoc)
    : CConfigInfo(CONFIG_TYPE_JOURNAL, strName, pDoc) {
    TRACE_CTOR("CJournalInfo");
}

CJournalInfo::~CJournalInfo() {
    TRACE_DTOR("CJournalInfo");
}

HRESULT CJournalInfo::GetShortNameConfigSectionName(LPSTR* ppszSection) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CJournalInfo::GetShortNameConfigSectionName", hr);
    hr = CopyTypeText("Journale", ppszSection,
                      "malloc() failed: Unable to allocate memory for section name!\n");
    return hr;
}

HRESULT CJournalInfo::GetDefaultPropertySettingFile(LPSTR* ppszFile) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CJournalInfo::GetDefaultPropertySettingFile", hr);
    hr =
        CopyTypeText("Journal.qrvv", ppszFile, "malloc() failed: Unable to allocate memory for file name!\n");
    return hr;
}

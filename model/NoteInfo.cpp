// Configurations of one item type: the type code, the INI section and the default property file.
#include "model/NoteInfo.h"

#include "platform/afx/CArchive.h"
#include "trace/Trace.h"

IMPLEMENT_SERIAL(CNoteInfo, CConfigInfo, 1)

CNoteInfo::CNoteInfo() {
    TRACE_CTOR("CNoteInfo");
}

CNoteInfo::CNoteInfo(const CString& strName, CQuorvelDoc* pDoc)
    : CConfigInfo(CONFIG_TYPE_NOTE, strName, pDoc) {
    TRACE_CTOR("CNoteInfo");
}

CNoteInfo::~CNoteInfo() {
    TRACE_DTOR("CNoteInfo");
}

HRESULT CNoteInfo::GetShortNameConfigSectionName(LPSTR* ppszSection) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CNoteInfo::GetShortNameConfigSectionName", hr);
    hr = CopyTypeText("Notizen", ppszSection,
                      "malloc() failed: Unable to allocate memory for section name!\n");
    return hr;
}

HRESULT CNoteInfo::GetDefaultPropertySettingFile(LPSTR* ppszFile) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CNoteInfo::GetDefaultPropertySettingFile", hr);
    hr = CopyTypeText("Notiz.qrvv", ppszFile, "malloc() failed: Unable to allocate memory for file name!\n");
    return hr;
}

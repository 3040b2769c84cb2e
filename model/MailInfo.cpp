// Configurations of one item type: the type code, the INI section and the default property file.
#include "model/MailInfo.h"

#include "platform/afx/CArchive.h"
#include "trace/Trace.h"

IMPLEMENT_SERIAL(CMailInfo, CConfigInfo, 1)

CMailInfo::CMailInfo() {
    TRACE_CTOR("CMailInfo");
}

CMailInfo::CMailInfo(const CString& strName, CQuorvelDoc* pDoc)
    : CConfigInfo(CONFIG_TYPE_MAIL, strName, pDoc) {
    TRACE_CTOR("CMailInfo");
}

CMailInfo::~CMailInfo() {
    TRACE_DTOR("CMailInfo");
}

HRESULT CMailInfo::GetShortNameConfigSectionName(LPSTR* ppszSection) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CMailInfo::GetShortNameConfigSectionName", hr);
    hr = CopyTypeText("Mails", ppszSection, "malloc() failed: Unable to allocate memory for section name!\n");
    return hr;
}

HRESULT CMailInfo::GetDefaultPropertySettingFile(LPSTR* ppszFile) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CMailInfo::GetDefaultPropertySettingFile", hr);
    hr = CopyTypeText("Mail.qrvv", ppszFile, "malloc() failed: Unable to allocate memory for file name!\n");
    return hr;
}

// Configurations of one item type: the type code, the INI section and the default property file.
#include "model/ContactInfo.h"

#include "platform/afx/CArchive.h"
#include "trace/Trace.h"

IMPLEMENT_SERIAL(CContactInfo, CConfigInfo, 1)

CContactInfo::CContactInfo() {
    TRACE_CTOR("CContactInfo");
}

CContactInfo::CContactInfo(const CString& strName, CQuorvelDoc* pDoc)
    : CConfigInfo(CONFIG_TYPE_CONTACT, strName, pDoc) {
    TRACE_CTOR("CContactInfo");
}

CContactInfo::~CContactInfo() {
    TRACE_DTOR("CContactInfo");
}

HRESULT CContactInfo::GetShortNameConfigSectionName(LPSTR* ppszSection) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CContactInfo::GetShortNameConfigSectionName", hr);
    hr = CopyTypeText("Kontakte", ppszSection,
                      "malloc() failed: Unable to allocate memory for section name!\n");
    return hr;
}

HRESULT CContactInfo::GetDefaultPropertySettingFile(LPSTR* ppszFile) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CContactInfo::GetDefaultPropertySettingFile", hr);
    hr =
        CopyTypeText("Kontakt.qrvv", ppszFile, "malloc() failed: Unable to allocate memory for file name!\n");
    return hr;
}

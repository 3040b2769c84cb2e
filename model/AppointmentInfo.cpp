// Configurations of one item type: the type code, the INI section and the default property file.
#include "model/AppointmentInfo.h"

#include "platform/afx/CArchive.h"
#include "trace/Trace.h"

IMPLEMENT_SERIAL(CAppointmentInfo, CConfigInfo, 1)

CAppointmentInfo::CAppointmentInfo() {
    TRACE_CTOR("CAppointmentInfo");
}

CAppointmentInfo::CAppointmentInfo(const CString& strName, CQuorvelDoc* pDoc)
    : CConfigInfo(CONFIG_TYPE_APPOINTMENT, strName, pDoc) {
    TRACE_CTOR("CAppointmentInfo");
}

CAppointmentInfo::~CAppointmentInfo() {
    TRACE_DTOR("CAppointmentInfo");
}

HRESULT CAppointmentInfo::GetShortNameConfigSectionName(LPSTR* ppszSection) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CAppointmentInfo::GetShortNameConfigSectionName", hr);
    hr = CopyTypeText("Kalender", ppszSection,
                      "malloc() failed: Unable to allocate memory for section name!\n");
    return hr;
}

HRESULT CAppointmentInfo::GetDefaultPropertySettingFile(LPSTR* ppszFile) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CAppointmentInfo::GetDefaultPropertySettingFile", hr);
    hr = CopyTypeText("Kalender.qrvv", ppszFile,
                      "malloc() failed: Unable to allocate memory for file name!\n");
    return hr;
}

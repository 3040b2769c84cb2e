// Configurations of appointments: item type 2, INI section "Kalender", default properties "Kalender.qrvv".
#pragma once

#include "model/ConfigInfo.h"

class CAppointmentInfo : public CConfigInfo {
    DECLARE_SERIAL(CAppointmentInfo)

public:
    CAppointmentInfo();
    CAppointmentInfo(const CString& strName, CQuorvelDoc* pDoc);
    ~CAppointmentInfo() override;

    HRESULT GetShortNameConfigSectionName(LPSTR* ppszSection) override;
    HRESULT GetDefaultPropertySettingFile(LPSTR* ppszFile) override;
};

// Configurations of contacts: item type 1, INI section "Kontakte", default properties "Kontakt.qrvv".
#pragma once

#include "model/ConfigInfo.h"

class CContactInfo : public CConfigInfo {
    DECLARE_SERIAL(CContactInfo)

public:
    CContactInfo();
    CContactInfo(const CString& strName, CQuorvelDoc* pDoc);
    ~CContactInfo() override;

    HRESULT GetShortNameConfigSectionName(LPSTR* ppszSection) override;
    HRESULT GetDefaultPropertySettingFile(LPSTR* ppszFile) override;
};

// Configurations of notes: item type 4, INI section "Notizen", default properties "Notiz.qrvv".
#pragma once

#include "model/ConfigInfo.h"

class CNoteInfo : public CConfigInfo {
    DECLARE_SERIAL(CNoteInfo)

public:
    CNoteInfo();
    CNoteInfo(const CString& strName, CQuorvelDoc* pDoc);
    ~CNoteInfo() override;

    HRESULT GetShortNameConfigSectionName(LPSTR* ppszSection) override;
    HRESULT GetDefaultPropertySettingFile(LPSTR* ppszFile) override;
};

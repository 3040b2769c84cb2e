// Configurations of mails: item type 3, INI section "Mails", default properties "Mail.qrvv".
#pragma once

#include "model/ConfigInfo.h"

class CMailInfo : public CConfigInfo {
    DECLARE_SERIAL(CMailInfo)

public:
    CMailInfo();
    CMailInfo(const CString& strName, CQuorvelDoc* pDoc);
    ~CMailInfo() override;

    HRESULT GetShortNameConfigSectionName(LPSTR* ppszSection) override;
    HRESULT GetDefaultPropertySettingFile(LPSTR* ppszFile) override;
};

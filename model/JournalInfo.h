// Configurations of journal entries: item type 6, INI section "Journale", default properties "Journal.qrvv".
// "Journal.qrvv".
#pragma once

#include "model/ConfigInfo.h"

class CJournalInfo : public CConfigInfo {
    DECLARE_SERIAL(CJournalInfo)

public:
    CJournalInfo();
    CJournalInfo(const CString& strName, CQuorvelDoc* pDoc);
    ~CJournalInfo() override;

    HRESULT GetShortNameConfigSectionName(LPSTR* ppszSection) override;
    HRESULT GetDefaultPropertySettingFile(LPSTR* ppszFile) override;
};

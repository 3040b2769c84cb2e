// Configurations of tasks: item type 5, INI section "Aufgaben", default properties "Aufgaben.qrvv".
#pragma once

#include "model/ConfigInfo.h"

class CTaskInfo : public CConfigInfo {
    DECLARE_SERIAL(CTaskInfo)

public:
    CTaskInfo();
    CTaskInfo(const CString& strName, CQuorvelDoc* pDoc);
    ~CTaskInfo() override;

    HRESULT GetShortNameConfigSectionName(LPSTR* ppszSection) override;
    HRESULT GetDefaultPropertySettingFile(LPSTR* ppszFile) override;
};

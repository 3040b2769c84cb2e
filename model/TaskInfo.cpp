// Configurations of one item type: the type code, the INI section and the default property file.
#include "model/TaskInfo.h"

#include "platform/afx/CArchive.h"
#include "trace/Trace.h"

IMPLEMENT_SERIAL(CTaskInfo, CConfigInfo, 1)

CTaskInfo::CTaskInfo() {
    TRACE_CTOR("CTaskInfo");
}

CTaskInfo::CTaskInfo(const CString& strName, CQuorvelDoc* pDoc)
    : CConfigInfo(CONFIG_TYPE_TASK, strName, pDoc) {
    TRACE_CTOR("CTaskInfo");
}

CTaskInfo::~CTaskInfo() {
    TRACE_DTOR("CTaskInfo");
}

HRESULT CTaskInfo::GetShortNameConfigSectionName(LPSTR* ppszSection) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CTaskInfo::GetShortNameConfigSectionName", hr);
    hr = CopyTypeText("Aufgaben", ppszSection,
                      "malloc() failed: Unable to allocate memory for section name!\n");
    return hr;
}

HRESULT CTaskInfo::GetDefaultPropertySettingFile(LPSTR* ppszFile) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CTaskInfo::GetDefaultPropertySettingFile", hr);
    hr = CopyTypeText("Aufgaben.qrvv", ppszFile,
                      "malloc() failed: Unable to allocate memory for file name!\n");
    return hr;
}

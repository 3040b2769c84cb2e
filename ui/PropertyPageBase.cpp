// The tab page base: configuration and owner, relabelling by table, painting, command forwarding.
#include "ui/PropertyPageBase.h"

#include <cstdlib>

#include "language/LanguageSettings.h"
#include "model/ConfigInfo.h"
#include "model/Session.h"
#include "platform/afx/wnd/WinApp.h"
#include "trace/Trace.h"
#include "ui/ConfigView.h"
#include "ui/MainFrm.h"
#include "ui/MemoryDC.h"

#define ID_CMD_ADD_CONFIGURATION 32772
#define ID_CMD_DELETE_CONFIGURATION 32773
#define ID_CMD_RENAME_CONFIGURATION 32782

IMPLEMENT_DYNAMIC(PropertyPageBase, CDialog)

BEGIN_MESSAGE_MAP(PropertyPageBase, CDialog)
ON_WM_PAINT()
ON_COMMAND(ID_CMD_ADD_CONFIGURATION, &PropertyPageBase::OnAddConfiguration)
ON_COMMAND(ID_CMD_DELETE_CONFIGURATION, &PropertyPageBase::OnDeleteConfiguration)
ON_COMMAND(ID_CMD_RENAME_CONFIGURATION, &PropertyPageBase::OnRenameConfiguration)
ON_UPDATE_COMMAND_UI(ID_CMD_ADD_CONFIGURATION, &PropertyPageBase::OnUpdateAddConfiguration)
ON_UPDATE_COMMAND_UI(ID_CMD_RENAME_CONFIGURATION, &PropertyPageBase::OnUpdateRenameConfiguration)
END_MESSAGE_MAP()

PropertyPageBase::PropertyPageBase(UINT nIDTemplate) : CDialog(nIDTemplate, nullptr) {
    TRACE_CTOR("PropertyPageBase");
}

PropertyPageBase::~PropertyPageBase() {
    TRACE_DTOR("PropertyPageBase");
    if (m_pConfigInfo != nullptr)
        m_pConfigInfo->Release();
    m_pConfigInfo = nullptr;
}

void PropertyPageBase::DoDataExchange() {}

BOOL PropertyPageBase::OnInitDialog() {
    BOOL bResult = TRUE;
    TRACE_FUNC_BOOL("PropertyPageBase::OnInitDialog", bResult);
    CDialog::OnInitDialog();
    DoDataExchange();
    HRESULT hr = LoadDisplayTexts();
    if (FAILED(hr))
        QTRACE(TRACE_ERROR, "LoadDisplayTexts() failed: hr = 0x%08lx\n", hr);
    return bResult;
}

HRESULT PropertyPageBase::OnLanguageChange() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("PropertyPageBase::OnLanguageChange", hr);
    hr = LoadDisplayTexts();
    if (SUCCEEDED(hr)) {
        Invalidate(TRUE);
        UpdateWindow();
        ValidateRect(nullptr);
    } else {
        QTRACE(TRACE_ERROR, "LoadDisplayTexts() failed: hr 0 0x%08lx\n", hr);
    }
    return hr;
}

HRESULT PropertyPageBase::OnConfigChange() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("PropertyPageBase::OnConfigChange", hr);
    return hr;
}

void PropertyPageBase::PrepareClose() {
    TRACE_FUNC_VOID("PropertyPageBase::PrepareClose");
}

HRESULT PropertyPageBase::LoadDisplayTexts() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("PropertyPageBase::LoadDisplayTexts", hr);
    return hr;
}

HRESULT PropertyPageBase::LoadDisplayTexts(const CONTROL_TEXT_ENTRY* pTable, UINT nRows) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("PropertyPageBase::LoadDisplayTexts", hr);
    if (pTable == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid array specified!\n");
        hr = E_INVALIDARG;
        return hr;
    }
    LPSTR pszText = nullptr;
    for (UINT i = 0; i < nRows; ++i) {
        free(pszText);
        pszText = nullptr;
        HRESULT hrText = GetLanguageText(&pszText, (LONG)pTable[i].nTextID);
        if (FAILED(hrText)) {
            hr = hrText;
            QTRACE(TRACE_ERROR, "GetLanguageText(%d) failed: hr = 0x%08lx\n", (int)pTable[i].nTextID, hrText);
            continue;
        }
        CWnd* pCtrl = GetDlgItem((int)pTable[i].nControlID);
        if (pCtrl == nullptr) {
            hr = E_UNEXPECTED;
            QTRACE(TRACE_ERROR, "GetDlgItem(%d) failed!\n", (int)pTable[i].nControlID);
            continue;
        }
        pCtrl->SetWindowText(pszText);
    }
    free(pszText);
    return hr;
}

void PropertyPageBase::SetConfigInfo(CConfigInfo* pConfig) {
    TRACE_FUNC_VOID("PropertyPageBase::SetConfigInfo");
    // Hold the new one first: the old and the new may be the same object with one reference.
    if (pConfig != nullptr)
        pConfig->AddRef();
    if (m_pConfigInfo != nullptr)
        m_pConfigInfo->Release();
    m_pConfigInfo = pConfig;
}

CConfigInfo* PropertyPageBase::GetConfigInfo() {
    if (m_pConfigInfo != nullptr)
        m_pConfigInfo->AddRef();
    return m_pConfigInfo;
}

HRESULT PropertyPageBase::RetrieveSession(CConfigInfo* pConfig, IMAPISession** lppSession) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("PropertyPageBase::RetrieveSession", hr);
    hr = ::RetrieveSession(pConfig, lppSession);
    if (FAILED(hr))
        QTRACE(TRACE_ERROR, "::RetrieveSession() failed: hr = 0x%08lx\n", hr);
    return hr;
}

HRESULT PropertyPageBase::OpenStore(IMAPISession* lpSession, CStoreInfo* pStore, IMsgStore** lppMDB,
                                    BOOL bModify) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("PropertyPageBase::OpenStore", hr);
    hr = ::OpenStore(m_pConfigInfo, lpSession, pStore, lppMDB, bModify);
    if (FAILED(hr))
        QTRACE(TRACE_ERROR, "::OpenStore() failed: hr = 0x%08lx\n", hr);
    return hr;
}

void PropertyPageBase::OnPaint() {
    TRACE_FUNC_VOID("PropertyPageBase::OnPaint");
    CPaintDC dc(this);
    // The page background in the window colour, painted off-screen so a page that is shown over
    // another never flickers; the controls paint themselves.
    CMemoryDC memDC(&dc);
    memDC.FillSolidRect(&memDC.GetArea(), GetSysColor(COLOR_WINDOW));
}

void PropertyPageBase::ForwardToConfigList(UINT nID) {
    CWinApp* pApp = AfxGetApp();
    auto* pFrame = dynamic_cast<CMainFrame*>(pApp != nullptr ? pApp->m_pMainWnd : nullptr);
    if (pFrame == nullptr)
        return;
    CConfigView* pLeft = pFrame->GetLeftPane();
    if (pLeft == nullptr)
        return;
    pLeft->SendMessage(WM_COMMAND, nID, 0);
}

void PropertyPageBase::OnAddConfiguration() {
    TRACE_FUNC_VOID("PropertyPageBase::OnAddConfiguration");
    ForwardToConfigList(ID_CMD_ADD_CONFIGURATION);
}

void PropertyPageBase::OnDeleteConfiguration() {
    TRACE_FUNC_VOID("PropertyPageBase::OnDeleteConfiguration");
    ForwardToConfigList(ID_CMD_DELETE_CONFIGURATION);
}

void PropertyPageBase::OnRenameConfiguration() {
    TRACE_FUNC_VOID("PropertyPageBase::OnRenameConfiguration");
    ForwardToConfigList(ID_CMD_RENAME_CONFIGURATION);
}

void PropertyPageBase::OnUpdateAddConfiguration(CCmdUI* pCmdUI) {
    pCmdUI->Enable(TRUE);
}

void PropertyPageBase::OnUpdateRenameConfiguration(CCmdUI* pCmdUI) {
    pCmdUI->Enable(TRUE);
}

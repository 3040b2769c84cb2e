// The General page: its texts, the two mode lists, the profile choice and the enabling rules.
#include "ui/GeneralSettingsPP.h"

#include <cstdlib>

#include "language/LanguageSettings.h"
#include "model/ConfigInfo.h"
#include "model/ErrorBoxes.h"
#include "resources/FormResource.h"
#include "trace/Trace.h"
#include "ui/FVBase.h"

namespace {

const CONTROL_TEXT_ENTRY kTexts[] = {
    {IDC_GEN_MODES_GROUP, 78},   {IDC_GEN_COMPARE_LABEL, 79}, {IDC_GEN_PROCESSING_LABEL, 83},
    {IDC_GEN_PROFILE_GROUP, 86}, {IDC_GEN_PROFILE_LABEL, 87}, {IDC_GEN_SELECT_PROFILE, 88},
    {IDC_GEN_STORES_GROUP, 90},  {IDC_GEN_FOLDERS_GROUP, 94}, {IDC_GEN_ADD_FOLDER, 95},
    {IDC_GEN_DEL_FOLDER, 96},
};

struct ModeEntry {
    LONG nTextID;
    const char* lpszTraceName;
    const char* lpszDefault;
    DWORD dwMode;
};

// The two entries of each mode box; the item data is the mode the configuration stores.
const ModeEntry kModeEntries[] = {
    {80, "ID_TAB_GENERAL_COMP_MODUS_BY_FOLDER", "Folder by Folder", COMPARE_MODE_FOLDER},
    {81, "ID_TAB_GENERAL_COMP_MODUS_ALL_BY_ALL", "Compare entries ignoring folder", COMPARE_MODE_STORE},
    {84, "ID_TAB_GENERAL_COMP_OP_MODUS_MANUAL", "Manual", PROCESSING_MODE_MANUAL},
    {85, "ID_TAB_GENERAL_COMP_OP_MODUS_AUTOMATIC", "Automatic", PROCESSING_MODE_AUTOMATIC},
};

struct ConfigRef {
    CConfigInfo* p;
    ~ConfigRef() {
        if (p != nullptr)
            p->Release();
    }
};

}  // namespace

IMPLEMENT_DYNCREATE(CGeneralSettingsPP, PropertyPageBase)

BEGIN_MESSAGE_MAP(CGeneralSettingsPP, PropertyPageBase)
ON_BN_CLICKED(IDC_GEN_SELECT_PROFILE, &CGeneralSettingsPP::OnSelectProfile)
ON_BN_CLICKED(IDC_GEN_ADD_FOLDER, &CGeneralSettingsPP::OnAddFolder)
ON_BN_CLICKED(IDC_GEN_DEL_FOLDER, &CGeneralSettingsPP::OnDelFolder)
ON_LBN_SELCHANGE(IDC_GEN_STORE_LIST, &CGeneralSettingsPP::OnSelchangeStoreList)
ON_LBN_SELCHANGE(IDC_GEN_FOLDER_LIST, &CGeneralSettingsPP::OnSelchangeFolderList)
// The toolkit's selection notice comes once the choice is made, as the end-of-selection notice
// of a dropped-down list does.
ON_CBN_SELCHANGE(IDC_GEN_COMPARE_MODE, &CGeneralSettingsPP::OnSelchangeCompareMode)
ON_CBN_SELCHANGE(IDC_GEN_PROCESSING_MODE, &CGeneralSettingsPP::OnSelchangeProcessingMode)
END_MESSAGE_MAP()

CGeneralSettingsPP::CGeneralSettingsPP() : PropertyPageBase(IDD_PP_GENERAL) {
    TRACE_CTOR("CGeneralSettingsPP");
}

CGeneralSettingsPP::~CGeneralSettingsPP() {
    TRACE_DTOR("CGeneralSettingsPP");
}

void CGeneralSettingsPP::DoDataExchange() {
    PropertyPageBase::DoDataExchange();
    struct Binding {
        CWnd* pCtrl;
        UINT nID;
    };
    const Binding bindings[] = {
        {&m_grpModes, IDC_GEN_MODES_GROUP},
        {&m_lblCompareMode, IDC_GEN_COMPARE_LABEL},
        {&m_cbCompareMode, IDC_GEN_COMPARE_MODE},
        {&m_lblProcessingMode, IDC_GEN_PROCESSING_LABEL},
        {&m_cbProcessingMode, IDC_GEN_PROCESSING_MODE},
        {&m_edProfileName, IDC_GEN_PROFILE_NAME},
        {&m_grpStores, IDC_GEN_STORES_GROUP},
        {&m_lbStores, IDC_GEN_STORE_LIST},
        {&m_grpFolders, IDC_GEN_FOLDERS_GROUP},
        {&m_lbFolders, IDC_GEN_FOLDER_LIST},
        {&m_btnAddFolder, IDC_GEN_ADD_FOLDER},
        {&m_btnDelFolder, IDC_GEN_DEL_FOLDER},
    };
    for (const Binding& b : bindings)
        if (b.pCtrl->GetSafeHwnd() == nullptr)
            b.pCtrl->SubclassDlgItem(b.nID, this);
}

HRESULT CGeneralSettingsPP::FillModeBox(CComboBox& box, int nFirst) {
    HRESULT hrText = S_OK;
    // The box may sort its entries by text, and a new language may sort them otherwise: the
    // selection is kept by the mode, not by the position.
    const int nSelected = box.GetCurSel();
    const BOOL bHadMode = nSelected >= 0;
    const DWORD dwSelectedMode = bHadMode ? (DWORD)box.GetItemData(nSelected) : 0;
    box.ResetContent();
    for (int i = nFirst; i < nFirst + 2; ++i) {
        const ModeEntry& entry = kModeEntries[i];
        LPSTR pszText = nullptr;
        hrText = GetLanguageText(&pszText, entry.nTextID);
        if (FAILED(hrText))
            QTRACE(TRACE_ERROR, "GetLanguageText(%s) failed: hr = 0x%08lx\n", entry.lpszTraceName, hrText);
        const int nIndex = box.AddString(pszText != nullptr ? pszText : entry.lpszDefault);
        if (nIndex < 0)
            QTRACE(TRACE_ERROR, "Failed to add string to mode box!\n");
        else
            box.SetItemData(nIndex, entry.dwMode);
        free(pszText);
    }
    if (!bHadMode || !SelectByItemData(box, dwSelectedMode))
        box.SetCurSel(0);
    return hrText;
}

HRESULT CGeneralSettingsPP::LoadDisplayTexts() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CGeneralSettingsPP::LoadDisplayTexts", hr);
    hr = LoadDisplayTexts(kTexts, sizeof kTexts / sizeof kTexts[0]);
    if (FAILED(hr))
        QTRACE(TRACE_ERROR, "LoadDisplayTexts() failed: hr = 0x%08lx\n", hr);
    if (CWnd* pBox = GetDlgItem(IDC_GEN_COMPARE_MODE))
        if (auto* pCombo = dynamic_cast<CComboBox*>(pBox))
            hr = FillModeBox(*pCombo, 0);
    if (CWnd* pBox = GetDlgItem(IDC_GEN_PROCESSING_MODE))
        if (auto* pCombo = dynamic_cast<CComboBox*>(pBox))
            hr = FillModeBox(*pCombo, 2);
    return hr;
}

BOOL CGeneralSettingsPP::SelectByItemData(CComboBox& box, DWORD dwMode) {
    for (int i = 0; i < box.GetCount(); ++i)
        if ((DWORD)box.GetItemData(i) == dwMode) {
            box.SetCurSel(i);
            return TRUE;
        }
    return FALSE;
}

BOOL CGeneralSettingsPP::OnInitDialog() {
    BOOL bResult = PropertyPageBase::OnInitDialog();
    TRACE_FUNC_BOOL("CGeneralSettingsPP::OnInitDialog", bResult);
    if (bResult && m_cbCompareMode.GetSafeHwnd() != nullptr) {
        m_cbCompareMode.SetFocus();
        bResult = FALSE;
    }
    ConfigRef config{GetConfigInfo()};
    if (config.p == nullptr) {
        EnableDialog();
        return bResult;
    }
    SelectByItemData(m_cbCompareMode, config.p->GetCompareMode());
    SelectByItemData(m_cbProcessingMode, config.p->GetProcessingMode());
    m_edProfileName.SetWindowText(config.p->GetProfileName());
    FillStoreList();
    // Posted, not run: the owner view is set only after the page's window exists, and the
    // profile choice without an owner does nothing.
    if (config.p->IsNewConfig())
        PostMessage(WM_COMMAND, IDC_GEN_SELECT_PROFILE, 0);
    OnSelchangeStoreList();
    EnableDialog();
    return bResult;
}

void CGeneralSettingsPP::OnSelchangeMode(BOOL bCompare) {
    CComboBox& box = bCompare ? m_cbCompareMode : m_cbProcessingMode;
    const int nSelected = box.GetCurSel();
    if (nSelected < 0)
        return;
    const DWORD dwMode = (DWORD)box.GetItemData(nSelected);
    ConfigRef config{GetConfigInfo()};
    if (config.p == nullptr)
        return;
    const DWORD dwHeld = bCompare ? config.p->GetCompareMode() : config.p->GetProcessingMode();
    if (dwMode == dwHeld)
        return;
    if (!ConfirmDiscardResults()) {
        // The list is sorted by text, so the held mode is found by its item data.
        SelectByItemData(box, dwHeld);
        return;
    }
    if (bCompare)
        config.p->SetCompareMode(dwMode);
    else
        config.p->SetProcessingMode(dwMode);
    config.p->NotifyConfigChange(nullptr);
}

void CGeneralSettingsPP::OnSelchangeCompareMode() {
    TRACE_FUNC_VOID("CGeneralSettingsPP::OnSelchangeCompareMode");
    OnSelchangeMode(TRUE);
}

void CGeneralSettingsPP::OnSelchangeProcessingMode() {
    TRACE_FUNC_VOID("CGeneralSettingsPP::OnSelchangeProcessingMode");
    OnSelchangeMode(FALSE);
}

void CGeneralSettingsPP::OnSelectProfile() {
    TRACE_FUNC_VOID("CGeneralSettingsPP::OnSelectProfile");
    if (!ConfirmDiscardResults())
        return;
    ConfigRef config{GetConfigInfo()};
    if (config.p == nullptr)
        return;
    const CString strOldName = config.p->GetProfileName();
    const int nOldStores = config.p->GetStoreCount();
    HRESULT hr = config.p->OnSelectProfile(this);
    BOOL bChanged = TRUE;
    if (FAILED(hr)) {
        ShowError(this, "Failed to select profile",
                  "Failed to select profile. Please consult trace to find the exact reason.", 126, 127);
        // A choice whose stores could not be read has already taken the new profile and let go
        // of the old stores: the page must not go on showing stores the configuration no longer
        // holds, and the views must learn that their search settings are gone.
        bChanged = config.p->GetProfileName() != strOldName || config.p->GetStoreCount() != nOldStores;
    }
    FillStoreList();
    if (bChanged)
        config.p->NotifyConfigChange(nullptr);
    m_edProfileName.SetWindowText(config.p->GetProfileName());
    SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    BringWindowToTop();
    EnableDialog();
}

BOOL CGeneralSettingsPP::IsProfileSet() {
    ConfigRef config{GetConfigInfo()};
    if (config.p == nullptr) {
        QTRACE(TRACE_WARNING, "No configuration information present!\n");
        return FALSE;
    }
    return !config.p->GetProfileName().IsEmpty();
}

void CGeneralSettingsPP::EnableModiGroup() {
    const BOOL bEnable = IsProfileSet();
    for (int nID : {IDC_GEN_MODES_GROUP, IDC_GEN_COMPARE_LABEL, IDC_GEN_COMPARE_MODE,
                    IDC_GEN_PROCESSING_LABEL, IDC_GEN_PROCESSING_MODE})
        if (CWnd* pCtrl = GetDlgItem(nID))
            pCtrl->EnableWindow(bEnable);
}

void CGeneralSettingsPP::EnableProfileGroup() {
    // The profile group is always usable: it is how a configuration gets its profile.
}

void CGeneralSettingsPP::EnableStoreGoup() {
    const BOOL bEnable = IsProfileSet();
    for (int nID : {IDC_GEN_STORES_GROUP, IDC_GEN_STORE_LIST})
        if (CWnd* pCtrl = GetDlgItem(nID))
            pCtrl->EnableWindow(bEnable);
}

void CGeneralSettingsPP::EnableFolderGroup() {
    const BOOL bProfile = IsProfileSet();
    for (int nID : {IDC_GEN_FOLDERS_GROUP, IDC_GEN_FOLDER_LIST})
        if (CWnd* pCtrl = GetDlgItem(nID))
            pCtrl->EnableWindow(bProfile);
    if (CWnd* pAdd = GetDlgItem(IDC_GEN_ADD_FOLDER))
        pAdd->EnableWindow(bProfile && m_lbStores.GetSafeHwnd() != nullptr && m_lbStores.GetCurSel() >= 0);
    if (CWnd* pDel = GetDlgItem(IDC_GEN_DEL_FOLDER))
        pDel->EnableWindow(bProfile && m_lbFolders.GetSafeHwnd() != nullptr && m_lbFolders.GetCurSel() >= 0);
}

void CGeneralSettingsPP::EnableDialog() {
    EnableModiGroup();
    EnableProfileGroup();
    EnableStoreGoup();
    EnableFolderGroup();
}

BOOL CGeneralSettingsPP::ConfirmDiscardResults() {
    return m_pOwnerView != nullptr && m_pOwnerView->ConfirmDiscardResults();
}

void CGeneralSettingsPP::DiscardResults(CConfigInfo* pConfig) {
    // The owner view drops the result and closes the page that shows it. While the page is being
    // created it has no owner yet, and the form view opens no results page for a dropped result.
    if (m_pOwnerView != nullptr)
        m_pOwnerView->ClearSearchResults();
    else
        IStoreFolderPage::DiscardResults(pConfig);
}

HRESULT CGeneralSettingsPP::FillStoreList() {
    return m_storeFolders.FillStoreList();
}

void CGeneralSettingsPP::OnSelchangeStoreList() {
    m_storeFolders.OnSelchangeStoreList();
}

void CGeneralSettingsPP::OnAddFolder() {
    m_storeFolders.OnAddFolder();
}

void CGeneralSettingsPP::OnDelFolder() {
    m_storeFolders.OnDelFolder();
}

void CGeneralSettingsPP::OnSelchangeFolderList() {
    m_storeFolders.OnSelchangeFolderList();
}

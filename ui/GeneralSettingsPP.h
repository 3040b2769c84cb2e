// CGeneralSettingsPP: the General tab: compare and processing modes, profile, store and folders.
#pragma once

#include "platform/afx/wnd/Controls.h"
#include "ui/PropertyPageBase.h"
#include "ui/StoreFolderSelection.h"

// Every edit goes at once into the configuration; after each change the page tells every view of
// the configuration (NotifyConfigChange with no sender). Changes that make a shown search result
// stale are first confirmed through the owner view (FVBase::ConfirmDiscardResults). The store
// and folder lists are worked by CStoreFolderSelection, to which the page lends its lists.
class CGeneralSettingsPP : public PropertyPageBase, public IStoreFolderPage {
    DECLARE_DYNCREATE(CGeneralSettingsPP)
public:
    CGeneralSettingsPP();
    ~CGeneralSettingsPP() override;

    BOOL OnInitDialog() override;
    void DoDataExchange() override;
    HRESULT LoadDisplayTexts() override;
    using PropertyPageBase::LoadDisplayTexts;

    // ---- own virtual operations, in this order ----
    virtual void EnableFolderGroup();
    virtual void EnableStoreGoup();
    virtual void EnableProfileGroup();
    virtual void EnableModiGroup();
    void EnableDialog() override;

    // Store and folder lists.
    HRESULT FillStoreList();
    void OnSelchangeStoreList();
    void OnAddFolder();
    void OnDelFolder();
    void OnSelchangeFolderList();

    // What the store and folder operations need of the page.
    CWnd* GetPageWindow() override { return this; }
    CConfigInfo* GetPageConfiguration() override { return m_pConfigInfo; }
    CListBox* GetStoreList() override { return &m_lbStores; }
    CListBox* GetFolderList() override { return &m_lbFolders; }
    BOOL ConfirmDiscardResults() override;
    void DiscardResults(CConfigInfo* pConfig) override;

    void OnSelectProfile();
    void OnSelchangeCompareMode();
    void OnSelchangeProcessingMode();

    CComboBox& GetCompareModeBox() { return m_cbCompareMode; }
    CComboBox& GetProcessingModeBox() { return m_cbProcessingMode; }

protected:
    // TRUE when the page has a configuration with a profile name (the name decides, not the key).
    BOOL IsProfileSet();
    // Fills one mode box with its two entries, keeping the selected position.
    HRESULT FillModeBox(CComboBox& box, int nFirst);
    // Selects the first entry whose item data is dwMode; FALSE when none has it.
    static BOOL SelectByItemData(CComboBox& box, DWORD dwMode);
    // The mode handlers' common road; bCompare chooses the compare or the processing mode.
    void OnSelchangeMode(BOOL bCompare);

    CButton m_grpModes;
    CStatic m_lblCompareMode;
    CComboBox m_cbCompareMode;
    CStatic m_lblProcessingMode;
    CComboBox m_cbProcessingMode;
    CEdit m_edProfileName;
    CButton m_grpStores;
    CListBox m_lbStores;
    CButton m_grpFolders;
    CListBox m_lbFolders;
    CButton m_btnAddFolder;
    CButton m_btnDelFolder;
    CStoreFolderSelection m_storeFolders{this};

    DECLARE_MESSAGE_MAP()
};

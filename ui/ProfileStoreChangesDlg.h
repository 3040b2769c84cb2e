// The notice that lists the stores added to and removed from a configuration's profile.
#pragma once

#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/Dialog.h"

class CStoreInfo;

#define IDD_PROFILE_STORE_CHANGES 199
#define IDC_CHANGES_ADDED_HEADER 1074
#define IDC_CHANGES_EXPLANATION 1075
#define IDC_CHANGES_REMOVED_HEADER 1076
#define IDC_CHANGES_ADDED_LIST 1017
#define IDC_CHANGES_REMOVED_LIST 1025

// Informs only: the caller applies the changes whatever the user does.
class CProfileStoreChangesDlg : public CDialog {
public:
    explicit CProfileStoreChangesDlg(CWnd* pParent);
    ~CProfileStoreChangesDlg() override;

    // Drops what it held, then keeps its own copy of each array whose pointer and count are both
    // non-zero, with a reference on every non-null store. E_OUTOFMEMORY when a copy fails.
    HRESULT Init(CStoreInfo** ppAdded, ULONG cAdded, CStoreInfo** ppRemoved, ULONG cRemoved);

    BOOL OnInitDialog() override;

protected:
    void DoDataExchange();
    HRESULT OnLoadTexts();
    void DropArrays();
    static HRESULT CopyArray(CStoreInfo** ppSource, ULONG cSource, CStoreInfo*** pppCopy, ULONG* pcCopy);
    static void FillList(CListBox* pList, CStoreInfo** ppStores, ULONG cStores);

    CButton* m_pBtnOK = nullptr;
    CStatic* m_pStcRemovedHeader = nullptr;
    CStatic* m_pStcExplanation = nullptr;
    CStatic* m_pStcAddedHeader = nullptr;
    CListBox* m_pLstRemoved = nullptr;
    CListBox* m_pLstAdded = nullptr;
    BOOL m_bInitialized = FALSE;
    CStoreInfo** m_ppAdded = nullptr;
    ULONG m_cAdded = 0;
    CStoreInfo** m_ppRemoved = nullptr;
    ULONG m_cRemoved = 0;

    DECLARE_MESSAGE_MAP()
};

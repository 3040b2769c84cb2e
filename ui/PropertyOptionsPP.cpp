// The Properties page: listing the configuration's properties, their names and marks, toggling.
#include "ui/PropertyOptionsPP.h"

#include <cstdio>
#include <cstdlib>

#include "engine/ScopedRef.h"
#include "language/LanguageSettings.h"
#include "model/ConfigInfo.h"
#include "model/ErrorBoxes.h"
#include "model/PropertyID.h"
#include "model/PropertyList.h"
#include "model/QuorvelDoc.h"
#include "model/StoreInfo.h"
#include "platform/afx/wnd/WaitCursor.h"
#include "platform/mapi/MAPIX.h"
#include "resources/FormResource.h"
#include "trace/Trace.h"
#include "ui/FVBase.h"
#include "ui/StoreOpenErrorBox.h"

namespace {

// The mark image sits inside the icon area: a click counts only on the box itself.
constexpr int kMarkLeftInset = 5;
constexpr int kMarkTopInset = 4;
constexpr int kMarkBottomInset = 14;

}  // namespace

IMPLEMENT_DYNCREATE(CPropertyOptionsPP, PropertyPageBase)

BEGIN_MESSAGE_MAP(CPropertyOptionsPP, PropertyPageBase)
ON_WM_CLOSE()
ON_WM_DESTROY()
ON_WM_PAINT()
ON_NOTIFY(NM_CLICK, IDC_PROP_LIST, &CPropertyOptionsPP::OnClickPropertyList)
ON_NOTIFY(NM_DBLCLK, IDC_PROP_LIST, &CPropertyOptionsPP::OnDblClickPropertyList)
END_MESSAGE_MAP()

CPropertyOptionsPP::CPropertyOptionsPP() : PropertyPageBase(IDD_PP_PROPERTIES) {
    TRACE_CTOR("CPropertyOptionsPP");
}

CPropertyOptionsPP::~CPropertyOptionsPP() {
    TRACE_DTOR("CPropertyOptionsPP");
    free(m_pszTagColumnText);
    free(m_pszTypeColumnText);
}

void CPropertyOptionsPP::DoDataExchange() {
    PropertyPageBase::DoDataExchange();
    if (m_grpProperties.GetSafeHwnd() == nullptr)
        m_grpProperties.SubclassDlgItem(IDC_PROP_GROUP, this);
    if (m_lcProperties.GetSafeHwnd() == nullptr)
        m_lcProperties.SubclassDlgItem(IDC_PROP_LIST, this);
}

BOOL CPropertyOptionsPP::OnInitDialog() {
    m_bInitialized = FALSE;
    BOOL bResult = PropertyPageBase::OnInitDialog();
    TRACE_FUNC_BOOL("CPropertyOptionsPP::OnInitDialog", bResult);
    // A report whose rows select whole and whose type column shows its image, whatever the
    // template asked for.
    m_lcProperties.ModifyStyle(LVS_TYPEMASK, LVS_REPORT | LVS_SHOWSELALWAYS);
    m_lcProperties.SetExtendedStyle(m_lcProperties.GetExtendedStyle() | LVS_EX_FULLROWSELECT |
                                    LVS_EX_SUBITEMIMAGES);
    if (m_ilSmall.Create(16, 16, ILC_COLOR24 | ILC_MASK, 8, 1)) {
        static const UINT icons[] = {IDI_TYPE_INTEGER, IDI_TYPE_FLOAT,  IDI_TYPE_CURRENCY, IDI_TYPE_TIME,
                                     IDI_TYPE_BOOLEAN, IDI_TYPE_STRING, IDI_TYPE_BINARY,   IDI_MARK_ON,
                                     IDI_MARK_OFF,     IDI_PROP_HEADER};
        for (UINT nIcon : icons)
            if (CPropertyListCtrl::AddIconResource(&m_ilSmall, nIcon) < 0)
                QTRACE(TRACE_ERROR, "Failed to load icon %u!\n", nIcon);
        m_lcProperties.SetImageList(&m_ilSmall, LVSIL_SMALL);
    }
    // The header image could not be set before the image list was attached.
    if (m_lcProperties.GetColumnCount() > 0)
        m_lcProperties.SetColumnImage(0, PROP_IMAGE_HEADER);
    FillPropertyList();
    EnableDialog();
    m_bInitialized = TRUE;
    return bResult;
}

HRESULT CPropertyOptionsPP::LoadDisplayTexts() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CPropertyOptionsPP::LoadDisplayTexts", hr);
    static const CONTROL_TEXT_ENTRY texts[] = {{IDC_PROP_GROUP, 98}};
    hr = LoadDisplayTexts(texts, 1);
    if (FAILED(hr))
        QTRACE(TRACE_ERROR, "LoadDisplayTexts() failed: hr = 0x%08lx\n", hr);
    if (m_lcProperties.GetSafeHwnd() == nullptr) {
        QTRACE(TRACE_ERROR, "Failed to get header ctrl!\n");
        return hr;
    }
    free(m_pszTagColumnText);
    free(m_pszTypeColumnText);
    m_pszTagColumnText = nullptr;
    m_pszTypeColumnText = nullptr;
    const BOOL bFirstTime = m_lcProperties.GetColumnCount() == 0;

    if (FAILED(GetLanguageText(&m_pszTypeColumnText, 118)))
        QTRACE(TRACE_ERROR, "Failed to get text ID_TAB_PROPERTIES_SETTINGS_HDR_TYPE!\n");
    LPCSTR pszType = m_pszTypeColumnText != nullptr ? m_pszTypeColumnText : "Type";
    if (!bFirstTime)
        m_lcProperties.SetColumnText(1, pszType);

    if (FAILED(GetLanguageText(&m_pszTagColumnText, 117)))
        QTRACE(TRACE_ERROR, "Failed to get text ID_TAB_PROPERTIES_SETTINGS_HDR_TAG!\n");
    LPCSTR pszTag = m_pszTagColumnText != nullptr ? m_pszTagColumnText : "Property tag";
    if (bFirstTime) {
        CRect rcList;
        m_lcProperties.GetClientRect(&rcList);
        m_lcProperties.InsertColumn(0, pszTag, LVCFMT_LEFT,
                                    rcList.Width() - (GetSystemMetrics(SM_CXVSCROLL) + 33 + 4));
        m_lcProperties.InsertColumn(1, pszType, LVCFMT_LEFT, 32);
    } else {
        m_lcProperties.SetColumnText(0, pszTag);
    }
    m_lcProperties.SetColumnImage(0, PROP_IMAGE_HEADER);
    m_lcProperties.Invalidate(TRUE);
    m_lcProperties.UpdateWindow();
    m_lcProperties.ValidateRect(nullptr);
    return hr;
}

HRESULT CPropertyOptionsPP::OnLanguageChange() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CPropertyOptionsPP::OnLanguageChange", hr);
    hr = LoadDisplayTexts();
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "LoadDisplayTexts() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    hr = OnUpdatePropertyTexts();
    return hr;
}

HRESULT CPropertyOptionsPP::OnConfigChange() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CPropertyOptionsPP::OnConfigChange", hr);
    EnableDialog();
    FillPropertyList();
    return hr;
}

void CPropertyOptionsPP::PrepareClose() {
    TRACE_FUNC_VOID("CPropertyOptionsPP::PrepareClose");
    if (m_bInitialized)
        EmptyPropertyList();
}

void CPropertyOptionsPP::OnClose() {
    if (m_bInitialized)
        EmptyPropertyList();
    CWnd::OnClose();
}

void CPropertyOptionsPP::OnDestroy() {
    if (m_bInitialized)
        EmptyPropertyList();
}

void CPropertyOptionsPP::EnablePropertyGroup() {
    Ref<CConfigInfo> config{GetConfigInfo()};
    BOOL bEnable = FALSE;
    if (config.p == nullptr)
        QTRACE(TRACE_ERROR, "Failure: No configuration object present!\n");
    else
        bEnable = !config.p->GetProfileName().IsEmpty();
    if (m_grpProperties.GetSafeHwnd() != nullptr)
        m_grpProperties.EnableWindow(bEnable);
    if (m_lcProperties.GetSafeHwnd() != nullptr)
        m_lcProperties.EnableWindow(bEnable);
}

void CPropertyOptionsPP::EnableDialog() {
    EnablePropertyGroup();
}

int CPropertyOptionsPP::GetTypeImage(ULONG ulPropType) {
    switch (ulPropType) {
        case PT_I2:
        case PT_LONG:
        case PT_I8:
            return PROP_IMAGE_INTEGER;
        case PT_R4:
        case PT_DOUBLE:
            return PROP_IMAGE_FLOAT;
        case PT_CURRENCY:
            return PROP_IMAGE_CURRENCY;
        case PT_APPTIME:
        case PT_SYSTIME:
            return PROP_IMAGE_TIME;
        case PT_BOOLEAN:
            return PROP_IMAGE_BOOLEAN;
        case PT_STRING8:
        case PT_UNICODE:
            return PROP_IMAGE_STRING;
        case PT_BINARY:
            return PROP_IMAGE_BINARY;
        default:
            return PROP_IMAGE_UNSELECTED;
    }
}

void CPropertyOptionsPP::FillPropertyList() {
    TRACE_FUNC_VOID("CPropertyOptionsPP::FillPropertyList");
    CWaitCursor wait;
    if (GetSafeHwnd() == nullptr || m_lcProperties.GetSafeHwnd() == nullptr)
        return;
    Ref<CConfigInfo> config{GetConfigInfo()};
    Ref<CStoreInfo> store;
    Ref<IMAPISession> session;
    Ref<IMsgStore> mdb;
    Ref<CPropertyList> list;
    BOOL bMAPIInitialized = FALSE;
    BOOL bRedrawOff = FALSE;
    // One pass that ends early on the first failure; everything obtained is given back below.
    do {
        if (config.p == nullptr) {
            QTRACE(TRACE_ERROR, "Failure: No configuration info present!\n");
            break;
        }
        EnableDialog();
        if (m_lcProperties.GetItemCount() > 0 || config.p->GetStoreCount() == 0)
            break;
        const int nMark = m_lcProperties.GetNextItem(-1, LVNI_SELECTED);
        EmptyPropertyList();
        LONG lStore = config.p->GetCurrentStoreIndex();
        if (lStore < 0)
            lStore = 0;
        store.p = config.p->GetStore(lStore);
        if (store.p == nullptr) {
            QTRACE(TRACE_ERROR, "Failed to retireve store info object at position %d!\n", (int)lStore);
            break;
        }
        HRESULT hr = MAPIInitialize(nullptr);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "MAPIInitialize() failed: hr = 0x%08lx\n", hr);
            break;
        }
        bMAPIInitialized = TRUE;
        hr = RetrieveSession(config.p, &session.p);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "RetrieveSession() failed: hr = 0x%08lx\n", hr);
            break;
        }
        hr = OpenStore(session.p, store.p, &mdb.p, FALSE);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "OpenStore() failed: hr = 0x%08lx\n", hr);
            ShowStoreOpenError(this, store.p, hr);
            break;
        }
        hr = config.p->GetPropertyList(&list.p);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "GetPropertyList() failed: hr = 0x%08lx\n", hr);
            break;
        }
        if (list.p == nullptr)
            break;
        // The user's marks are saved with the document and must survive showing the page again;
        // the defaults only fill a list that compares nothing yet (a configuration just made).
        BOOL bAnySelected = FALSE;
        CPropertyID* pProp = nullptr;
        if (SUCCEEDED(list.p->GetFirstProperty(&pProp)))
            while (pProp != nullptr) {
                bAnySelected = bAnySelected || pProp->IsSelected();
                pProp->Release();
                pProp = nullptr;
                if (FAILED(list.p->GetNextProperty(&pProp)))
                    break;
            }
        if (!bAnySelected) {
            hr = list.p->SelectDefaultProperties(config.p);
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "SelectDefaultProperties() failed: hr = 0x%08lx\n", hr);
                break;
            }
        }
        pProp = nullptr;
        hr = list.p->GetFirstProperty(&pProp);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "GetFirstProperty() failed: hr = 0x%08lx\n", hr);
            break;
        }
        m_lcProperties.SetRedraw(FALSE);
        bRedrawOff = TRUE;
        BOOL bComplete = TRUE;
        while (pProp != nullptr) {
            HRESULT hrInsert = InsertProperty(mdb.p, pProp);
            if (FAILED(hrInsert))
                QTRACE(TRACE_ERROR, "InsertProperty( failed: hr = 0x%08lx\n", hrInsert);
            pProp->Release();
            pProp = nullptr;
            hr = list.p->GetNextProperty(&pProp);
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "GetNextProperty() failed: hr = 0x%08lx\n", hr);
                bComplete = FALSE;
                break;
            }
        }
        if (bComplete && nMark >= 0)
            m_lcProperties.SetItemState(nMark, LVIS_SELECTED, LVIS_SELECTED);
    } while (false);
    if (bRedrawOff)
        m_lcProperties.SetRedraw(TRUE);
    m_lcProperties.Invalidate(TRUE);
    if (mdb.p != nullptr) {
        mdb.p->Release();
        mdb.p = nullptr;
    }
    if (session.p != nullptr) {
        session.p->Logoff(0, 0, 0);
        session.p->Release();
        session.p = nullptr;
    }
    if (bMAPIInitialized)
        MAPIUninitialize();
}

HRESULT CPropertyOptionsPP::InsertProperty(IMsgStore* lpMDB, CPropertyID* pProp) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CPropertyOptionsPP::InsertProperty", hr);
    if (lpMDB == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid store specified!\n");
        hr = E_INVALIDARG;
        return hr;
    }
    if (pProp == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid property specified!\n");
        hr = E_INVALIDARG;
        return hr;
    }
    ULONG ulTag = 0;
    hr = pProp->GetPropertyID(lpMDB, &ulTag);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetPropertyID() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    const ULONG ulType = PROP_TYPE(ulTag);
    // Multi-valued and value-less kinds cannot be compared item by item.
    if ((ulType & MV_FLAG) != 0 || ulType == PT_UNSPECIFIED || ulType == PT_NULL || ulType == PT_ERROR ||
        ulType == PT_OBJECT || ulType == PT_CLSID)
        return hr;
    Ref<CConfigInfo> config{GetConfigInfo()};
    if (config.p == nullptr) {
        QTRACE(TRACE_ERROR, "No configuration object present!\n");
        hr = E_UNEXPECTED;
        return hr;
    }
    LPSTR pszSection = nullptr;
    hr = config.p->GetShortNameConfigSectionName(&pszSection);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetShortNameConfigSectionName() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    BOOL bExcluded = FALSE;
    hr = pProp->IsExcludedProperty(&bExcluded, pszSection);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "IsExcludedProperty() failed: hr = 0x%08lx\n", hr);
        free(pszSection);
        return hr;
    }
    if (bExcluded) {
        QTRACE(TRACE_INFO, "Property excluded.\n");
        free(pszSection);
        return hr;
    }
    QTRACE(TRACE_INFO, "Inserting property.\n");
    LPSTR pszName = nullptr;
    hr = pProp->GetShortPropertyName(&pszName, pszSection, KEYTABLE_INI_FILE);
    free(pszSection);
    if (FAILED(hr)) {
        // Still listed, under its tag: a property the user cannot see would still be compared
        // when it is marked.
        QTRACE(TRACE_ERROR, "GetPropertyName() failed: hr = 0x%08lx\n", hr);
        free(pszName);
        pszName = nullptr;
        hr = S_OK;
    }
    char szTag[16];
    std::snprintf(szTag, sizeof szTag, "0x%08lx", (unsigned long)ulTag);
    const int nItem =
        m_lcProperties.InsertItem(0, pszName != nullptr ? pszName : szTag,
                                  pProp->IsSelected() ? PROP_IMAGE_SELECTED : PROP_IMAGE_UNSELECTED);
    free(pszName);
    if (nItem < 0) {
        hr = E_FAIL;
        return hr;
    }
    pProp->AddRef();
    m_lcProperties.SetItemData(nItem, (DWORD_PTR)pProp);
    // The type column shows only its image.
    if (!m_lcProperties.SetItemColumnImage(nItem, 1, GetTypeImage(ulType))) {
        QTRACE(TRACE_ERROR, "SetItem(TYPE) failed!\n");
        hr = E_FAIL;
    }
    return hr;
}

void CPropertyOptionsPP::EmptyPropertyList() {
    TRACE_FUNC_VOID("CPropertyOptionsPP::EmptyPropertyList");
    if (m_lcProperties.GetSafeHwnd() == nullptr)
        return;
    for (int i = 0; i < m_lcProperties.GetItemCount(); ++i) {
        auto* pProp = reinterpret_cast<CPropertyID*>(m_lcProperties.GetItemData(i));
        if (pProp != nullptr) {
            m_lcProperties.SetItemData(i, 0);
            pProp->Release();
        }
    }
    m_lcProperties.DeleteAllItems();
}

HRESULT CPropertyOptionsPP::OnUpdatePropertyTexts() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CPropertyOptionsPP::OnUpdatePropertyTexts", hr);
    Ref<CConfigInfo> config{GetConfigInfo()};
    if (config.p == nullptr) {
        QTRACE(TRACE_ERROR, "No configuration object present!\n");
        hr = E_UNEXPECTED;
        return hr;
    }
    LPSTR pszSection = nullptr;
    hr = config.p->GetShortNameConfigSectionName(&pszSection);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetShortNameConfigSectionName() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    for (int i = 0; i < m_lcProperties.GetItemCount(); ++i) {
        auto* pProp = reinterpret_cast<CPropertyID*>(m_lcProperties.GetItemData(i));
        if (pProp == nullptr) {
            QTRACE(TRACE_ERROR, "NULL pointer found (index %d)!\n", i);
            continue;
        }
        LPSTR pszName = nullptr;
        HRESULT hrName = pProp->GetShortPropertyName(&pszName, pszSection, KEYTABLE_INI_FILE);
        if (FAILED(hrName)) {
            QTRACE(TRACE_ERROR, "GetPropertyName() failed: hr = 0x%08lx\n", hrName);
            ShowError(this, hrName);
            continue;
        }
        if (pszName == nullptr) {
            QTRACE(TRACE_ERROR, "GetPropertyName() failed: Returned NULL string!\n");
            continue;
        }
        if (!m_lcProperties.SetItemText(i, 0, pszName))
            QTRACE(TRACE_ERROR, "SetItem() failed!\n");
        free(pszName);
    }
    free(pszSection);
    return hr;
}

void CPropertyOptionsPP::ChangeSelectionStatus(NMHDR* pNMHDR, LRESULT* pResult) {
    TRACE_FUNC_VOID("CPropertyOptionsPP::ChangeSelectionStatus");
    if (pResult == nullptr) {
        QTRACE(TRACE_ERROR, "pResult == NULL\n");
        return;
    }
    auto* pInfo = reinterpret_cast<NMLISTVIEW*>(pNMHDR);
    if (pInfo == nullptr) {
        QTRACE(TRACE_ERROR, "pInfo == NULL\n");
        *pResult = 1;
        return;
    }
    Ref<CConfigInfo> config{GetConfigInfo()};
    if (config.p == nullptr) {
        QTRACE(TRACE_ERROR, "No configuration info object present!\n");
        *pResult = 1;
        return;
    }
    if (config.p->GetDocument() == nullptr) {
        QTRACE(TRACE_ERROR, "No document object present!\n");
        *pResult = 1;
        return;
    }
    if (pInfo->iItem < 0) {
        QTRACE(TRACE_ERROR, "No item index given!\n");
        *pResult = 1;
        return;
    }
    if (m_pOwnerView == nullptr || !m_pOwnerView->ConfirmDiscardResults())
        return;
    auto* pProp = reinterpret_cast<CPropertyID*>(m_lcProperties.GetItemData(pInfo->iItem));
    if (pProp == nullptr) {
        QTRACE(TRACE_ERROR, "Property object is NULL!\n");
        *pResult = 1;
        return;
    }
    pProp->SetSelected(!pProp->IsSelected());
    m_lcProperties.SetItemImage(pInfo->iItem,
                                pProp->IsSelected() ? PROP_IMAGE_SELECTED : PROP_IMAGE_UNSELECTED);
    config.p->GetDocument()->SetModifiedFlag(TRUE);
    *pResult = 0;
    config.p->NotifyConfigChange(nullptr);
}

void CPropertyOptionsPP::OnClickPropertyList(NMHDR* pNMHDR, LRESULT* pResult) {
    auto* pInfo = reinterpret_cast<NMLISTVIEW*>(pNMHDR);
    if (pResult != nullptr)
        *pResult = 1;
    if (pInfo == nullptr || pInfo->iItem < 0 || pInfo->iSubItem > 0)
        return;
    CRect rcIcon;
    if (!m_lcProperties.GetItemRect(pInfo->iItem, &rcIcon, LVIR_ICON)) {
        QTRACE(TRACE_ERROR, "Unable to get item rect!\n");
        return;
    }
    const POINT& pt = pInfo->ptAction;
    if (rcIcon.left + kMarkLeftInset <= pt.x && pt.x < rcIcon.right && rcIcon.top + kMarkTopInset <= pt.y &&
        pt.y < rcIcon.top + kMarkBottomInset)
        ChangeSelectionStatus(pNMHDR, pResult);
}

void CPropertyOptionsPP::OnDblClickPropertyList(NMHDR* pNMHDR, LRESULT* pResult) {
    auto* pInfo = reinterpret_cast<NMLISTVIEW*>(pNMHDR);
    if (pInfo != nullptr && pInfo->iItem >= 0)
        ChangeSelectionStatus(pNMHDR, pResult);
}

void CPropertyOptionsPP::OnPaint() {
    // The list paints itself in the same pass; asking it to paint from inside this one would
    // cut the toolkit's drawing of the window short.
    PropertyPageBase::OnPaint();
}

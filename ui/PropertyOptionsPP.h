// CPropertyOptionsPP: the Properties tab: the configuration's properties, each with its mark.
#pragma once

#include "platform/afx/wnd/Controls.h"
#include "ui/PropertyListCtrl.h"
#include "ui/PropertyPageBase.h"

class CPropertyID;
struct IMsgStore;

// Image indices of the page's small image list.
#define PROP_IMAGE_INTEGER 0
#define PROP_IMAGE_FLOAT 1
#define PROP_IMAGE_CURRENCY 2
#define PROP_IMAGE_TIME 3
#define PROP_IMAGE_BOOLEAN 4
#define PROP_IMAGE_STRING 5
#define PROP_IMAGE_BINARY 6
#define PROP_IMAGE_SELECTED 7
#define PROP_IMAGE_UNSELECTED 8
#define PROP_IMAGE_HEADER 9

// One row per listed property; the row's item data is the property, with one reference held by
// the row. A click on the mark image (or a double click anywhere on the row) toggles whether the
// property takes part in the comparison.
class CPropertyOptionsPP : public PropertyPageBase {
    DECLARE_DYNCREATE(CPropertyOptionsPP)
public:
    CPropertyOptionsPP();
    ~CPropertyOptionsPP() override;

    BOOL OnInitDialog() override;
    void DoDataExchange() override;
    HRESULT OnLanguageChange() override;
    HRESULT OnConfigChange() override;
    void PrepareClose() override;
    HRESULT LoadDisplayTexts() override;
    using PropertyPageBase::LoadDisplayTexts;

    // ---- own virtual operations, in this order ----
    virtual void EnablePropertyGroup();
    virtual void EnableDialog();
    virtual void ChangeSelectionStatus(NMHDR* pNMHDR, LRESULT* pResult);

    void FillPropertyList();
    HRESULT InsertProperty(IMsgStore* lpMDB, CPropertyID* pProp);
    void EmptyPropertyList();
    HRESULT OnUpdatePropertyTexts();

    void OnClickPropertyList(NMHDR* pNMHDR, LRESULT* pResult);
    void OnDblClickPropertyList(NMHDR* pNMHDR, LRESULT* pResult);
    void OnClose();
    void OnDestroy();
    void OnPaint();

    CPropertyListCtrl& GetListCtrl() { return m_lcProperties; }
    BOOL IsInitialized() const { return m_bInitialized; }
    // The image that shows a property type in the type column.
    static int GetTypeImage(ULONG ulPropType);

protected:
    CButton m_grpProperties;
    CPropertyListCtrl m_lcProperties;
    LPSTR m_pszTagColumnText = nullptr;   // malloc, or null
    LPSTR m_pszTypeColumnText = nullptr;  // malloc, or null
    CImageList m_ilSmall;
    BOOL m_bInitialized = FALSE;

    DECLARE_MESSAGE_MAP()
};

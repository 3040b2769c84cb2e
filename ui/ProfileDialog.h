// The modal chooser of a configuration's MAPI profile.
#pragma once

#include "platform/afx/CString.h"
#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/Dialog.h"
#include "platform/mapi/MAPIDefs.h"

#define IDD_PROFILE 162
#define IDC_PROFILE_LABEL 1038
#define IDC_PROFILE_LIST 1039

// Lists the profiles of the profile table by display name and hands back the chosen one's name
// and PR_INSTANCE_KEY (its profile key). It neither logs on nor asks for a password.
class CProfileDialog : public CDialog {
public:
    explicit CProfileDialog(CWnd* pParent);
    ~CProfileDialog() override;

    // The key of the profile to preselect; an empty key leaves none held.
    HRESULT Init(const SBinary* lpProfileKey);
    // A heap copy (malloc) of the chosen profile's key; lpKey stays untouched when none is held.
    HRESULT GetProfileKey(SBinary* lpKey);
    CString GetProfileName() const { return m_strProfileName; }

    BOOL OnInitDialog() override;
    void OnOK() override;

protected:
    void DoDataExchange();
    HRESULT FillProfileList();
    void DropProfileKey();
    void FreeKeyTable();
    void SetItemDistances();
    void ReclalcLayout();
    int GetListWidth() const;
    int GetListHeight() const;

    void OnDblclkProfileList();
    void OnSize(UINT nType, int cx, int cy);
    void OnGetMinMaxInfo(MINMAXINFO* lpMMI);

    CButton* m_pBtnOK = nullptr;
    CButton* m_pBtnCancel = nullptr;
    CStatic* m_pStcLabel = nullptr;
    CListBox* m_pLstProfiles = nullptr;
    SBinary m_ProfileKey{0, nullptr};
    CString m_strProfileName;
    ULONG m_cInstanceKeys = 0;
    SBinary* m_pInstanceKeys = nullptr;
    // Layout measurements in pixels, recorded once when the dialog is set up.
    LONG m_lLabelHeight = 0;
    LONG m_lListTopOffset = 0;
    LONG m_lListLeftOffset = 0;
    LONG m_lBottomMargin = 0;
    LONG m_lButtonGap = 0;
    CRect m_rcOK;
    LONG m_lRightMargin = 0;
    LONG m_lButtonSpacing = 0;
    BOOL m_bInitialized = FALSE;

    DECLARE_MESSAGE_MAP()
};

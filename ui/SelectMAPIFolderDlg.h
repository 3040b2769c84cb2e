// The folder picker: one folder of one message store, chosen from its folder tree.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/Dialog.h"
#include "platform/mapi/MAPIInterfaces.h"
#include "ui/MapiFolderTree.h"

#define IDD_SELECT_FOLDER 163
#define IDC_FOLDER_TREE 1040
#define IDC_INCLUDE_SUBFOLDERS 1083
// The folder icons, in the order of the tree's image list.
#define IDI_FOLDER_FIRST 164
#define FOLDER_IMAGE_COUNT 12
#define FOLDER_IMAGE_TASKS 0
#define FOLDER_IMAGE_DRAFTS 1
#define FOLDER_IMAGE_DELETED 2
#define FOLDER_IMAGE_SENT 3
#define FOLDER_IMAGE_JOURNAL 4
#define FOLDER_IMAGE_CALENDAR 5
#define FOLDER_IMAGE_CONTACTS 6
#define FOLDER_IMAGE_NOTES 7
#define FOLDER_IMAGE_MAIL 8
#define FOLDER_IMAGE_OUTBOX 9
#define FOLDER_IMAGE_UNKNOWN 10
#define FOLDER_IMAGE_JUNK 11

// Shows the folders below the store's IPM subtree, leaves out Deleted Items and Junk E-mail
// with everything below them, and lets only folders of the filter's container class be chosen
// (the others are drawn grey). The caller keeps the store open while the dialog exists.
class CSelectMAPIFolderDlg : public CDialog {
public:
    explicit CSelectMAPIFolderDlg(CWnd* pParent);
    ~CSelectMAPIFolderDlg() override;

    // The opened store (a reference is held) and the container-class filter (null or empty:
    // the mail rule).
    HRESULT Init(LPMDB lpMDB, LPCSTR pszFolderClass);
    // A heap copy (malloc) of the chosen folder's entry id; empty when none was chosen.
    HRESULT GetSelectedFolderKey(SBinary* lpKey);
    ULONG GetCheckState() const { return m_bIncludeSubFolders; }

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    CMapiFolderTree& GetTree() { return m_Tree; }

protected:
    void DoDataExchange();
    BOOL LoadTexts();
    void LoadImages();
    HRESULT InitKnownFolders();
    HRESULT FillTreeCtrl();
    // A folder whose child folders are still to be listed, held, and the item they go under.
    struct CPendingFolder {
        LPMAPIFOLDER lpFolder;
        HTREEITEM hItem;
    };
    HRESULT InsertChildItems(LPMAPIFOLDER lpFolder, HTREEITEM hParent);
    // Lists one folder's child folders under hParent, leaves out those in shown and adds the
    // others to it, and queues each child it could open (held) on pending.
    HRESULT InsertFolderLevel(LPMAPIFOLDER lpFolder, HTREEITEM hParent, std::set<std::string>& shown,
                              std::vector<CPendingFolder>& pending);
    HRESULT ShouldSkipFolder(ULONG cbEntryID, LPENTRYID lpEntryID, BOOL* pbSkip);
    HRESULT ShouldSkipFolder(LPMAPIFOLDER lpFolder, BOOL* pbSkip);
    int GetFolderImage(LPMAPIFOLDER lpFolder);
    BOOL IsSelectableClass(const SRow& row) const;
    BOOL IsSameEntry(const SBinary& known, ULONG cbEntryID, LPENTRYID lpEntryID, LPCSTR pszName);
    void RemoveDataPointers(HTREEITEM hItem);
    void FreeKnownFolders();

    HTREEITEM HitTestMessagePos();
    void OnClickTree(NMHDR* pNMHDR, LRESULT* pResult);
    void OnDblclkTree(NMHDR* pNMHDR, LRESULT* pResult);

    void SetItemDistances();
    void RecalcLayout();
    int GetTreeWidth() const;
    int GetTreeHeight() const;
    void OnSize(UINT nType, int cx, int cy);
    void OnGetMinMaxInfo(MINMAXINFO* lpMMI);
    void OnDestroy();

    CButton* m_pBtnOK = nullptr;
    CButton* m_pBtnCancel = nullptr;
    CMapiFolderTree m_Tree;
    CButton* m_pChkSubFolders = nullptr;
    LPMDB m_lpMDB = nullptr;
    LPSTR m_pszFolderClass = nullptr;
    CImageList m_ImageList;
    SBinary m_sbinDrafts{0, nullptr};
    SBinary m_sbinWasteBasket{0, nullptr};
    SBinary m_sbinSentItems{0, nullptr};
    SBinary m_sbinOutbox{0, nullptr};
    SBinary m_sbinInbox{0, nullptr};
    SBinary m_sbinJunk{0, nullptr};
    SBinary m_sbinSelected{0, nullptr};
    ULONG m_bIncludeSubFolders = 0;
    BOOL m_bInitialized = FALSE;
    // Layout measurements in pixels, recorded once when the dialog is set up.
    LONG m_lTreeTop = 0;
    LONG m_lTreeLeft = 0;
    LONG m_lButtonGap = 0;
    LONG m_lTreeCheckGap = 0;
    LONG m_lCheckHeight = 0;
    LONG m_lBottomMargin = 0;
    LONG m_lCheckLeftOffset = 0;
    LONG m_lCheckRightMargin = 0;
    LONG m_lRightMargin = 0;
    CRect m_rcOK;
    LONG m_lButtonSpacing = 0;

    DECLARE_MESSAGE_MAP()
};

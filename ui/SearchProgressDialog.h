// CSearchProgressDialog: the modeless three-bar window that shows how far a search has come.
#pragma once

#include <memory>

#include "model/SearchProgress.h"
#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/Dialog.h"

// Stores, folders of the current store and items of the current folder. The search runs on the
// user-interface thread without a message loop, so every change repaints its bar and label at
// once. There is no way to cancel: OK and Cancel stay hidden.
class CSearchProgressDialog : public CDialog, public ISearchProgress {
    DECLARE_DYNAMIC(CSearchProgressDialog)
public:
    explicit CSearchProgressDialog(CWnd* pParent);
    // The framework's destructor destroys the window when it is still open.
    ~CSearchProgressDialog() override;

    void DoDataExchange();
    BOOL OnInitDialog() override;
    HRESULT OnLoadTexts();

    // 0 to 100 become the bar's position; any other value is ignored.
    void SetStoreProgress(int nPercent) override;
    void SetFolderProgress(int nPercent) override;
    void SetItemProgress(int nPercent) override;

    // How many controls were repainted at once so far (a bar and its label count two).
    int GetRepaintCount() const { return m_nRepaints; }
    CProgressCtrl& GetStoresBar() { return m_ctrlStores; }
    CProgressCtrl& GetFoldersBar() { return m_ctrlFolders; }
    CProgressCtrl& GetItemsBar() { return m_ctrlItems; }

protected:
    void SetProgress(CProgressCtrl& bar, CStatic& label, int nPercent);
    void RepaintNow(CWnd* pWnd);

    CProgressCtrl m_ctrlStores;
    CProgressCtrl m_ctrlItems;
    CProgressCtrl m_ctrlFolders;
    CStatic m_txtFolders;
    CStatic m_txtItems;
    CStatic m_txtStores;
    int m_nRepaints = 0;

    DECLARE_MESSAGE_MAP()
};

// Makes the dialog for a search: created modeless from its template on pParent and shown; the
// window goes with the object. Null when the window cannot be made.
std::unique_ptr<ISearchProgress> CreateSearchProgressDialog(CWnd* pParent);

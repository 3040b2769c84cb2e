// CSearchProgressDialog: the modeless three-bar window that shows how far a search has come.
#pragma once

#include <chrono>
#include <memory>

#include "model/SearchProgress.h"
#include "platform/afx/wnd/BusyPeriod.h"
#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/Dialog.h"

// Stores, folders of the current store and items of the current folder. The search runs on the
// user-interface thread without a message loop, so the dialog draws itself, at the pace of the
// busy period that it spans with its window (the input made meanwhile goes): a changed bar and its
// label are repainted and drawn at once, unless the last drawing is less than kPaintInterval ago;
// then the change waits for the next setter call after that time. Without a change, a setter call
// lets the toolkit paint what the window itself needs (exposed after the first drawing) once per
// kPaintInterval; otherwise a per-item call of a search costs a clock reading. There is no way to
// cancel: OK and Cancel stay hidden.
class CSearchProgressDialog : public CDialog, public ISearchProgress {
    DECLARE_DYNAMIC(CSearchProgressDialog)
public:
    static constexpr std::chrono::milliseconds kPaintInterval = CBusyPeriod::kPaintInterval;

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
    // Draws the whole dialog now, as it is just after it was shown.
    void DrawNow();

    // How many controls were repainted so far (a bar and its label count two).
    int GetRepaintCount() const { return m_nRepaints; }
    CProgressCtrl& GetStoresBar() { return m_ctrlStores; }
    CProgressCtrl& GetFoldersBar() { return m_ctrlFolders; }
    CProgressCtrl& GetItemsBar() { return m_ctrlItems; }

protected:
    // A bar with its label, the position it was last given and whether that is drawn yet.
    struct Bar {
        CProgressCtrl* pBar;
        CStatic* pLabel;
        int nPos = -1;
        bool bChanged = false;
    };
    void SetProgress(Bar& bar, int nPercent);
    // Repaints the changed bars when the last drawing is long enough ago; lets the toolkit draw
    // then, or when its last turn is long enough ago.
    void DrawChangesWhenDue();
    void Repaint(CWnd* pWnd);

    CProgressCtrl m_ctrlStores;
    CProgressCtrl m_ctrlItems;
    CProgressCtrl m_ctrlFolders;
    CStatic m_txtFolders;
    CStatic m_txtItems;
    CStatic m_txtStores;
    Bar m_bars[3] = {
        {&m_ctrlStores, &m_txtStores}, {&m_ctrlFolders, &m_txtFolders}, {&m_ctrlItems, &m_txtItems}};
    bool m_bChangePending = false;
    CBusyPeriod m_busy;
    int m_nRepaints = 0;

    DECLARE_MESSAGE_MAP()
};

// Makes the dialog for a search: created modeless from its template on pParent and shown; the
// window goes with the object. Null when the window cannot be made.
std::unique_ptr<ISearchProgress> CreateSearchProgressDialog(CWnd* pParent);

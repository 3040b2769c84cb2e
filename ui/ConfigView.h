// The left pane: the list of configurations (its list and commands come with the views).
#pragma once

#include "platform/afx/wnd/View.h"

class CQuorvelDoc;

class CConfigView : public CView {
    DECLARE_DYNCREATE(CConfigView)
public:
    CConfigView();
    ~CConfigView() override;

    CQuorvelDoc* GetQuorvelDoc() const;
    // Relabels the pane after a change of language.
    virtual void OnLanguageChanged();
    // Command 32773: deletes the selected configuration; without a selected row it does
    // nothing. The view handles it itself, so it never comes back to the document.
    void OnDeleteConfiguration();

protected:
    DECLARE_MESSAGE_MAP()
};

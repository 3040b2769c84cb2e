// The right pane: hosts the form view of the configuration on display (the form views come
// with the views); it already follows the document's current configuration id.
#pragma once

#include "platform/afx/wnd/View.h"

class CQuorvelDoc;

class CQuorvelView : public CView {
    DECLARE_DYNCREATE(CQuorvelView)
public:
    CQuorvelView();
    ~CQuorvelView() override;

    CQuorvelDoc* GetQuorvelDoc() const;
    // Relabels the form view and its pages after a change of language.
    virtual void OnLanguageChanged();
    // Command 32771: the document's current configuration changed.
    void OnConfigChange();
    ULONG GetShownConfigID() const { return m_ulShownConfigID; }
    int GetConfigChangeCount() const { return m_nConfigChanges; }

protected:
    ULONG m_ulShownConfigID = 0;
    int m_nConfigChanges = 0;

    DECLARE_MESSAGE_MAP()
};

// Every paint of a window in the main window's right pane while it changes forms: whether the pane
// then showed exactly one complete form, the one shown before the change or the one installed
// after it.
#pragma once

#include <wx/eventfilter.h>
#include <wx/window.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "ui/FVBase.h"
#include "ui/QuorvelView.h"

namespace qrvtest {

class CPanePaints : public wxEventFilter {
public:
    CPanePaints(CQuorvelView* pPane, FVBase* pOld) : m_pPane(pPane), m_pOld(pOld) {
        wxEvtHandler::AddFilter(this);
    }
    ~CPanePaints() override { wxEvtHandler::RemoveFilter(this); }
    int FilterEvent(wxEvent& event) override {
        auto* pWx = dynamic_cast<wxWindow*>(event.GetEventObject());
        if (event.GetEventType() != wxEVT_PAINT || pWx == nullptr)
            return Event_Skip;
        wxWindow* pPaneWx = m_pPane->GetWxWindow();
        while (pWx != nullptr && pWx != pPaneWx)
            pWx = pWx->GetParent();
        if (pWx == nullptr)
            return Event_Skip;
        std::vector<FVBase*> shown;
        for (wxWindow* pChild : pPaneWx->GetChildren())
            if (auto* pForm = dynamic_cast<FVBase*>(CWnd::FromWxWindow(pChild)); pForm && pChild->IsShown())
                shown.push_back(pForm);
        ++nPaints;
        const bool bComplete =
            shown.size() == 1 && (shown[0] == m_pOld || shown[0] == m_pPane->GetCurrentForm());
        nIncomplete += bComplete ? 0 : 1;
        nNew += !shown.empty() && shown[0] != m_pOld ? 1 : 0;
        // The pane is blank from the first paint without a complete form to the next with one.
        const auto now = std::chrono::steady_clock::now();
        if (!bComplete && !m_bBlank) {
            m_bBlank = true;
            m_tBlank = now;
        } else if (bComplete && m_bBlank) {
            m_bBlank = false;
            m_longestBlank = std::max(m_longestBlank, std::chrono::duration<double>(now - m_tBlank).count());
        }
        return Event_Skip;
    }
    // The longest time in seconds the pane was blank.
    double LongestBlank() const { return m_longestBlank; }

    int nPaints = 0, nIncomplete = 0, nNew = 0;

private:
    CQuorvelView* m_pPane;
    FVBase* m_pOld;
    bool m_bBlank = false;
    std::chrono::steady_clock::time_point m_tBlank;
    double m_longestBlank = 0;
};

}  // namespace qrvtest

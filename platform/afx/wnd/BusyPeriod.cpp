// Busy periods: their paint pace, and the input dropped from the toolkit's queue (GTK 3 under
// wxGTK) while they run.
#include "platform/afx/wnd/BusyPeriod.h"

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/timer.h>
#include <wx/toplevel.h>
#include <wx/weakref.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "platform/afx/wnd/Wnd.h"

// Last: the display server's headers define names that the ones above use.
#ifdef __WXGTK__
#include <gdk/gdk.h>
#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif
#endif

namespace {

#ifdef __WXGTK__
enum class InputKind { NotInput, Press, Release, Other };

InputKind KindOf(const GdkEvent* pEvent) {
    switch (pEvent->type) {
        case GDK_BUTTON_PRESS:
        case GDK_2BUTTON_PRESS:
        case GDK_3BUTTON_PRESS:
        case GDK_KEY_PRESS:
            return InputKind::Press;
        case GDK_BUTTON_RELEASE:
        case GDK_KEY_RELEASE:
            return InputKind::Release;
        case GDK_SCROLL:
        case GDK_TOUCH_BEGIN:
        case GDK_TOUCH_UPDATE:
        case GDK_TOUCH_END:
        case GDK_TOUCH_CANCEL:
        case GDK_TOUCHPAD_SWIPE:
        case GDK_TOUCHPAD_PINCH:
            return InputKind::Other;
        default:
            return InputKind::NotInput;
    }
}

// A button number or a key's hardware code, told apart by the first member.
std::pair<bool, guint> PressKey(const GdkEvent* pEvent) {
    if (pEvent->type == GDK_KEY_PRESS || pEvent->type == GDK_KEY_RELEASE)
        return {true, pEvent->key.hardware_keycode};
    return {false, pEvent->button.button};
}

// The display server's clock now, in the units of the input's time stamps; without one (no
// window to ask), the time of the input being handled, which began the work.
bool ServerTimeNow(guint32& rTime) {
#ifdef GDK_WINDOWING_X11
    GdkDisplay* pDisplay = gdk_display_get_default();
    if (pDisplay != nullptr && GDK_IS_X11_DISPLAY(pDisplay)) {
        for (wxWindow* pTop : wxTopLevelWindows) {
            auto* pWidget = static_cast<GtkWidget*>(pTop->GetHandle());
            GdkWindow* pWindow = pWidget != nullptr ? gtk_widget_get_window(pWidget) : nullptr;
            // A top-level window of the desktop (no menu or tooltip) hears of its property changes.
            if (pWindow != nullptr && gtk_widget_get_realized(pWidget) &&
                gdk_window_get_window_type(pWindow) == GDK_WINDOW_TOPLEVEL) {
                rTime = gdk_x11_get_server_time(pWindow);
                return true;
            }
        }
    }
#endif
    rTime = gtk_get_current_event_time();
    return rTime != GDK_CURRENT_TIME;
}
#endif

// A close asked of a window, and the top-level window it belongs to (none for a main window).
struct HeldClose {
    wxWeakRef<wxWindow> window;
    wxWeakRef<wxWindow> owner;
    bool bForce = false;
};

// A top-level window that was destroyed stays until the loop is idle, hidden.
bool IsLive(const wxWeakRef<wxWindow>& window) {
    return window && !window->IsBeingDeleted() &&
           (wxTheApp == nullptr || !wxTheApp->IsScheduledForDestruction(window.get()));
}

// What the outermost period knows of the input: when it began, the presses it dropped whose
// release has not come yet (a release may arrive in a later turn), and the closes asked for.
struct BusyState {
    int nDepth = 0;
    bool bHasStart = false;
    unsigned int nStart = 0;
    std::set<std::pair<bool, unsigned int>> droppedPresses;
    std::vector<HeldClose> heldCloses;
    bool bRefused = false;  // the period rang the bell for a press it dropped
    int nRefusals = 0;
};

BusyState& State() {
    static BusyState state;
    return state;
}

#ifdef __WXGTK__
// Input older than the period (or of unknown age) was made before the work began.
bool IsNewer(const GdkEvent* pEvent) {
    const BusyState& state = State();
    const guint32 nTime = gdk_event_get_time(pEvent);
    if (!state.bHasStart || nTime == GDK_CURRENT_TIME)
        return true;
    // The server's clock wraps after 49 days. Input of the period's first millisecond counts as
    // made during the work.
    return static_cast<gint32>(nTime - state.nStart) >= 0;
}
#endif

void CarryOutClose(const HeldClose& close);

// Closes that came due while a modal dialog ran its own loop: a window closed under it would take
// the dialog's parent away. Looked at again a few times a second until that loop has ended. Made on
// first use and never destroyed, as a timer must not outlive the toolkit it runs on.
class CClosesAfterDialog : public wxTimer {
public:
    static CClosesAfterDialog& Get() {
        static auto* pWaiting = new CClosesAfterDialog;
        return *pWaiting;
    }
    void Add(const HeldClose& close) {
        m_closes.push_back(close);
        StartOnce(kRetryMs);
    }
    void Notify() override {
        std::vector<HeldClose> closes;
        closes.swap(m_closes);
        for (const HeldClose& close : closes)
            CarryOutClose(close);
    }

private:
    static constexpr int kRetryMs = 100;
    std::vector<HeldClose> m_closes;
};

void CarryOutClose(const HeldClose& close) {
    if (!IsLive(close.window))
        return;
    const wxEventLoopBase* pMain = wxTheApp != nullptr ? wxTheApp->GetMainLoop() : nullptr;
    if (pMain != nullptr && wxEventLoopBase::GetActive() != pMain) {
        CClosesAfterDialog::Get().Add(close);
        return;
    }
    close.window->Close(close.bForce);
}

// Hands the held closes to the loop: each runs on a turn of its own, after what the work posted. A
// window the work took away (the progress display of a search) was where the user asked to close
// what the work ran in: the close goes to the window it belonged to. Closes of one window are one.
void PostHeldCloses() {
    std::vector<HeldClose> held;
    held.swap(State().heldCloses);
    std::vector<HeldClose> closes;
    for (const HeldClose& close : held) {
        const wxWeakRef<wxWindow>& target = IsLive(close.window) ? close.window : close.owner;
        if (!IsLive(target))
            continue;
        auto same = std::find_if(closes.begin(), closes.end(),
                                 [&target](const HeldClose& c) { return c.window.get() == target.get(); });
        if (same != closes.end())
            same->bForce = same->bForce || close.bForce;
        else
            closes.push_back(HeldClose{target.get(), nullptr, close.bForce});
    }
    if (wxTheApp == nullptr)
        return;
    for (const HeldClose& close : closes)
        wxTheApp->CallAfter([close] { CarryOutClose(close); });
}

}  // namespace

void AfxHoldClose(wxWindow* pWindow, bool bForce) {
    if (pWindow == nullptr)
        return;
    wxWindow* pOwner = pWindow->GetParent() != nullptr ? wxGetTopLevelParent(pWindow->GetParent()) : nullptr;
    State().heldCloses.push_back(HeldClose{pWindow, pOwner, bForce});
    if (!CBusyPeriod::IsActive())
        PostHeldCloses();
}

void AfxDropHeldInput() {
#ifdef __WXGTK__
    BusyState& state = State();
    if (state.nDepth == 0)
        return;
    GdkDisplay* pDisplay = gdk_display_get_default();
    if (pDisplay == nullptr)
        return;
    // Taking the events out reads what the display server sent meanwhile too; the rest goes back
    // in its order. The double and triple presses the toolkit adds go with their press.
    std::vector<GdkEvent*> kept;
    while (GdkEvent* pEvent = gdk_display_get_event(pDisplay)) {
        bool bDrop = false;
        switch (KindOf(pEvent)) {
            case InputKind::Press:
                bDrop = IsNewer(pEvent);
                if (bDrop && (pEvent->type == GDK_KEY_PRESS || pEvent->type == GDK_BUTTON_PRESS))
                    state.droppedPresses.insert(PressKey(pEvent));
                break;
            case InputKind::Release:
                bDrop = state.droppedPresses.erase(PressKey(pEvent)) != 0;
                break;
            case InputKind::Other:
                bDrop = IsNewer(pEvent);
                break;
            case InputKind::NotInput:
                break;
        }
        // The user is told that the click or key did nothing, once a period.
        if (bDrop && KindOf(pEvent) == InputKind::Press && !state.bRefused) {
            state.bRefused = true;
            ++state.nRefusals;
            gdk_display_beep(pDisplay);
        }
        if (bDrop)
            gdk_event_free(pEvent);
        else
            kept.push_back(pEvent);
    }
    for (GdkEvent* pEvent : kept) {
        gdk_display_put_event(pDisplay, pEvent);
        gdk_event_free(pEvent);
    }
#endif
}

CBusyPeriod::CBusyPeriod() {
    BusyState& state = State();
    if (state.nDepth++ == 0) {
        state.droppedPresses.clear();
        state.bRefused = false;
        state.bHasStart = false;
#ifdef __WXGTK__
        guint32 nStart = 0;
        state.bHasStart = ServerTimeNow(nStart);
        state.nStart = nStart;
#endif
    }
    m_tDrawn = m_tTurn = std::chrono::steady_clock::now();
}

CBusyPeriod::~CBusyPeriod() {
    BusyState& state = State();
    if (state.nDepth == 1) {
        // Once more for what came since the last look; after this the toolkit has it all.
        AfxDropHeldInput();
        state.droppedPresses.clear();
    }
    if (--state.nDepth == 0)
        PostHeldCloses();
}

int AfxGetRefusedInputCount() {
    return State().nRefusals;
}

bool CBusyPeriod::IsActive() {
    return State().nDepth > 0;
}

bool CBusyPeriod::IsChangeDue() const {
    return std::chrono::steady_clock::now() - m_tDrawn >= kPaintInterval;
}

bool CBusyPeriod::IsTurnDue() const {
    return std::chrono::steady_clock::now() - m_tTurn >= kPaintInterval;
}

void CBusyPeriod::PaintNow(bool bChangeDrawn) {
    AfxPaintNow();
    m_tTurn = std::chrono::steady_clock::now();
    if (bChangeDrawn)
        m_tDrawn = m_tTurn;
}

void CBusyPeriod::PaintFrameNow(CWnd* pWnd) {
    AfxPaintFrameNow(pWnd);
    m_tDrawn = m_tTurn = std::chrono::steady_clock::now();
}

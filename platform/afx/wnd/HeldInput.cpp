// Dropping the input that waits in the toolkit's queue (GTK 3 under wxGTK).
#include "platform/afx/wnd/HeldInput.h"

#ifdef __WXGTK__
#include <gdk/gdk.h>
#endif

#include <set>
#include <utility>
#include <vector>

#ifdef __WXGTK__
namespace {

enum class InputKind { None, Press, Release, Other };

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
            return InputKind::None;
    }
}

// A button number or a key's hardware code, told apart by the first member.
std::pair<bool, guint> PressKey(const GdkEvent* pEvent) {
    if (pEvent->type == GDK_KEY_PRESS || pEvent->type == GDK_KEY_RELEASE)
        return {true, pEvent->key.hardware_keycode};
    return {false, pEvent->button.button};
}

// The presses dropped whose release has not come yet: a release may arrive in a later turn.
std::set<std::pair<bool, guint>>& DroppedPresses() {
    static std::set<std::pair<bool, guint>> presses;
    return presses;
}

}  // namespace
#endif

void AfxDropHeldInput() {
#ifdef __WXGTK__
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
                if (pEvent->type == GDK_KEY_PRESS || pEvent->type == GDK_BUTTON_PRESS)
                    DroppedPresses().insert(PressKey(pEvent));
                bDrop = true;
                break;
            case InputKind::Release:
                bDrop = DroppedPresses().erase(PressKey(pEvent)) != 0;
                break;
            case InputKind::Other:
                bDrop = true;
                break;
            case InputKind::None:
                break;
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

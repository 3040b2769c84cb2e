// Counting of wait-cursor requests; the window layer supplies the visible cursor.
#include "platform/afx/wnd/WaitCursor.h"

namespace {
int g_nWaitCount = 0;
std::function<void(bool)>& Handler() {
    static std::function<void(bool)> handler;
    return handler;
}
}  // namespace

void AfxBeginWaitCursor() {
    if (g_nWaitCount++ == 0 && Handler())
        Handler()(true);
}

void AfxEndWaitCursor() {
    if (g_nWaitCount == 0)
        return;
    if (--g_nWaitCount == 0 && Handler())
        Handler()(false);
}

int AfxGetWaitCursorCount() {
    return g_nWaitCount;
}

void AfxSetWaitCursorHandler(std::function<void(bool)> handler) {
    Handler() = std::move(handler);
}

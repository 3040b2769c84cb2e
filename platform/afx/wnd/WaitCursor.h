// The wait cursor, counted so nested users balance; the toolkit side installs how it is shown.
#pragma once

#include <functional>

void AfxBeginWaitCursor();
void AfxEndWaitCursor();
// How many wait-cursor requests are outstanding (tests check that callers balance them).
int AfxGetWaitCursorCount();
// Called with TRUE when the first request starts and FALSE when the last one ends.
void AfxSetWaitCursorHandler(std::function<void(bool)> handler);

class CWaitCursor {
public:
    CWaitCursor() { AfxBeginWaitCursor(); }
    ~CWaitCursor() { AfxEndWaitCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    void Restore() {}
};

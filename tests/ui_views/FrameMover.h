// Stands in for a window manager that moves a new top-level window while the program lays out
// its first form.
#pragma once

class wxWindow;

namespace qrvtest {

// While it lives, the frame is moved a few pixels further (within 300 of its place) after every
// request of the program's display connection, over a connection of its own: two screen
// positions the program asks for one after the other never agree. The frame is put back at the
// end.
class CFrameMover {
public:
    explicit CFrameMover(wxWindow* pFrame);
    ~CFrameMover();
    CFrameMover(const CFrameMover&) = delete;
    CFrameMover& operator=(const CFrameMover&) = delete;

    bool IsOpen() const;
};

}  // namespace qrvtest

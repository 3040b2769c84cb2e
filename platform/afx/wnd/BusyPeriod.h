// A stretch of work on the user-interface thread that keeps the message loop from running, and the
// pointer and keyboard input that reaches the program meanwhile.
#pragma once

#include <chrono>

class CWnd;
class wxWindow;

// Made on the stack around the work (a search, a cleanup, a long fill). While the work runs it
// stands for a disabled main window: the button, key, wheel and touch input made after its start
// is dropped whenever the toolkit looks at its queue (AfxPaintNow), so a click or key press made
// meanwhile does not act afterwards on what the work put on screen (a second search from a
// double-click on Start, a Delete button that was not there yet). Input made before its start
// stays queued for after the work, and so does the release of a press that was not dropped, so no
// control is left pressed. At its end it drops once more what came since, and forgets the presses
// it dropped: a later release of such a press is no business of the next busy period. Drawing,
// layout, focus and pointer motion stay queued as they were. A close the desktop asks for meanwhile
// is neither click nor key: it waits for the end (AfxHoldClose).
//
// Periods nest: an inner one (the progress display of a fill inside the search that Start runs)
// belongs to the outermost one, whose start counts and whose end drains.
//
// Each period also owns the pace at which its display draws: a changed value is drawn at once
// unless the last drawing is less than kPaintInterval ago; without a change the toolkit still gets
// a turn once an interval, for a window uncovered meanwhile.
class CBusyPeriod {
public:
    static constexpr std::chrono::milliseconds kPaintInterval{40};

    CBusyPeriod();
    ~CBusyPeriod();
    CBusyPeriod(const CBusyPeriod&) = delete;
    CBusyPeriod& operator=(const CBusyPeriod&) = delete;

    // Whether a value the display changed is due to be drawn now; when it is, the caller marks what
    // changed for drawing and calls PaintNow(TRUE).
    bool IsChangeDue() const;
    // Whether the toolkit is due a turn without a change.
    bool IsTurnDue() const;
    // Lets the toolkit draw now and notes the time (of a drawn change too when bChangeDrawn), counted
    // from the end of the drawing, so the work gets the whole interval for itself.
    void PaintNow(bool bChangeDrawn);
    // PaintNow for a window just shown, whose first drawing must not wait for the next long step
    // (AfxPaintFrameNow).
    void PaintFrameNow(CWnd* pWnd);

    // Whether a busy period runs now.
    static bool IsActive();

private:
    std::chrono::steady_clock::time_point m_tDrawn;
    std::chrono::steady_clock::time_point m_tTurn;
};

// Drops the input of the running busy period that waits in the toolkit's queue: presses, wheel
// and touch made after the period's start, and the releases of the presses it dropped. Without a
// busy period nothing is dropped. A click or key press it drops is refused with a sign, as a
// disabled window refuses it: the display's bell, once a period.
void AfxDropHeldInput();
// How many busy periods refused a click or key press with the bell so far (for tests).
int AfxGetRefusedInputCount();

// A close the desktop asked of a top-level window (its close button, Alt+F4) while the thread was
// busy and could not let the window go. It is carried out once the outermost busy period is over,
// or at the next turn of the loop when none runs, through the window's own close handling, so a
// modified document is still offered for saving and a window may still refuse. While a modal
// dialog runs its own loop, the close waits for that loop to end. A close of a window the work
// took away meanwhile (its progress display) goes to the top-level window that one belonged to;
// several closes of one window are one.
void AfxHoldClose(wxWindow* pWindow, bool bForce);

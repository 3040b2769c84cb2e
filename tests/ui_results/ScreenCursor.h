// The cursor the X server shows for the pointer, read on a connection of the test's own.
#pragma once

namespace qrvtest {

// Opens its own display connection, so it can be read from any thread while the program's thread
// is blocked.
class CScreenCursor {
public:
    CScreenCursor();
    ~CScreenCursor();
    CScreenCursor(const CScreenCursor&) = delete;
    CScreenCursor& operator=(const CScreenCursor&) = delete;

    bool IsOpen() const { return m_pDisplay != nullptr; }
    // The serial of the cursor shown now (it changes with every other cursor); 0 when unknown.
    unsigned long Shown() const;

private:
    void* m_pDisplay = nullptr;
};

}  // namespace qrvtest

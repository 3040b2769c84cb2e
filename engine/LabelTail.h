// The rest of a label below a line entry that leads to a single drawer, kept in one block.
#pragma once

#include "platform/mapi/MAPIDefs.h"
#include "platform/win32/WinTypes.h"

class CSortDrawer;

// A large search files most labels under a first value no other label has. In a tree of full lines
// each such label makes a line of one key for every further column, with a heap copy of each key:
// for three columns two lines and two or three copies per label, and a walk through all of them for
// every later item with that label. Instead the entry of the first line whose key is new leads to a
// tail: the drawer and the label's values of the columns below, packed in one pooled block. An item
// that reaches the tail is compared with those values by the key order of each column; only a
// label that shares the tail's values up to some column and then differs turns the tail into the
// lines a full tree would hold there, one column at a time (the line takes the tail's first value as
// its key, the tail then starts one column later).
//
// A value is kept as its tag, a byte count and its bytes, 8-byte aligned: the 8 bytes of a scalar
// (and of a missing value), a text with its terminator, a GUID, the bytes of a binary value; a NULL
// text, GUID or byte pointer is kept as NULL. Decoding gives back a value whose key is the key of
// the value that was kept, pointing into the block.
class CLabelTail {
public:
    // A tail of lpValues[0, cValues) holding a reference to pDrawer; NULL when no memory can be had.
    static CLabelTail* Make(const SPropValue* lpValues, ULONG cValues, CSortDrawer* pDrawer) noexcept;
    // Releases the drawer and gives the block back.
    static void Free(CLabelTail* pTail) noexcept;
    // Gives the block back; the drawer's reference has gone elsewhere.
    static void FreeBlock(CLabelTail* pTail) noexcept;

    CSortDrawer* Drawer() const { return m_pDrawer; }
    // Puts another drawer in; the caller moves the references.
    void SetDrawer(CSortDrawer* pDrawer) { m_pDrawer = pDrawer; }

    // Reading the values from the first still kept on.
    class CReader {
    public:
        explicit CReader(const CLabelTail* pTail);
        SPropValue Next();
        const unsigned char* Position() const { return m_pNext; }

    private:
        const unsigned char* m_pNext;
    };
    SPropValue First() const { return CReader(this).Next(); }
    // The tail starts at its next value.
    void DropFirst();

private:
    CLabelTail() = default;

    CSortDrawer* m_pDrawer;
    ULONG m_cbBlock;  // the whole block, this head included
    ULONG m_cbDone;   // bytes of values dropped, behind the head
};

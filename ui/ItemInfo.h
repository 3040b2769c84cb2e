// ItemInfo: the record behind every item of the result tree (the entry, its group and its mark).
#pragma once

#include "platform/win32/WinTypes.h"

class CEntryReference;
class CSortDrawer;

// nState values.
#define ITEM_STATE_PIVOT 0     // the kept entry of a group (always a root item)
#define ITEM_STATE_MARKED 1    // marked for deletion
#define ITEM_STATE_UNMARKED 2  // unmarked by the user

// Allocated by the Search results page, stored as the tree item's data and freed by the page when
// the tree is emptied. The record holds one reference to its drawer and one to its entry.
// Invariant: state 0 and 2 go with bDelete 0, state 1 with bDelete nonzero.
struct ItemInfo {
    DWORD nState;
    BOOL bDelete;
    CSortDrawer* pDrawer;
    CEntryReference* pEntry;
    FILETIME ftModified;
};

// Unsigned 64-bit order of two entries' times: high halves first, then low halves. The fill keeps
// the entry of a group that is earliest by it, the first met of equal ones.
inline bool IsEarlierTime(const FILETIME& a, const FILETIME& b) {
    if (a.dwHighDateTime != b.dwHighDateTime)
        return a.dwHighDateTime < b.dwHighDateTime;
    return a.dwLowDateTime < b.dwLowDateTime;
}

// Which entry a group keeps, chosen as the group hands its entries out: the earliest by
// IsEarlierTime, of equal ones the first met. The fill and the check of a group left as filled
// both choose with it, so that they never disagree.
class CKeptEntryChoice {
public:
    // Meets the next entry of the group; true when it is the one kept so far.
    bool Meet(const FILETIME& ftModified) {
        if (m_bAny && !IsEarlierTime(ftModified, m_ftKept))
            return false;
        m_bAny = true;
        m_ftKept = ftModified;
        return true;
    }

private:
    bool m_bAny = false;
    FILETIME m_ftKept{0, 0};
};

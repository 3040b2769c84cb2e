// What the user made of a cached search result, and which folders the search read.
#pragma once

#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/win32/WinTypes.h"

// Lives beside the configuration's cached search result and goes with it: the marks of the
// result page (a page rebuilt from the cache shows them as the user left them) and the entry id
// of every chosen folder as the search read it (a cleanup deletes only in the folder the search
// read, never in whatever folder now stands at the same position).
// Entries are named by the running number the search gave them, which is unique in one result.
class CResultReview {
public:
    // The state an entry's item had on the page (pivot, marked, unmarked), by entry number.
    void SetEntryState(ULONG ulEntryNumber, DWORD nState);
    // FALSE when the page never left a state for the entry.
    BOOL GetEntryState(ULONG ulEntryNumber, DWORD* pnState) const;
    // The entry shows again as the fill shows it.
    void ForgetEntryState(ULONG ulEntryNumber) { m_states.erase(ulEntryNumber); }
    BOOL HasEntryStates() const { return !m_states.empty(); }
    void ClearEntryStates() { m_states.clear(); }

    void SetFolderKey(int nStore, int nFolder, const BYTE* lpb, ULONG cb);
    // The folder's entry id as the search read it, or null when none was kept.
    const std::vector<BYTE>* GetFolderKey(int nStore, int nFolder) const;

    void Clear();

private:
    std::unordered_map<ULONG, DWORD> m_states;
    std::map<std::pair<int, int>, std::vector<BYTE>> m_folderKeys;
};

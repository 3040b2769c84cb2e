// The marks and folder ids kept with a cached search result.
#include "model/ResultReview.h"

void CResultReview::SetEntryState(ULONG ulEntryNumber, DWORD nState) {
    m_states[ulEntryNumber] = nState;
}

BOOL CResultReview::GetEntryState(ULONG ulEntryNumber, DWORD* pnState) const {
    auto it = m_states.find(ulEntryNumber);
    if (it == m_states.end())
        return FALSE;
    if (pnState != nullptr)
        *pnState = it->second;
    return TRUE;
}

void CResultReview::SetFolderKey(int nStore, int nFolder, const BYTE* lpb, ULONG cb) {
    std::vector<BYTE>& key = m_folderKeys[{nStore, nFolder}];
    key.assign(lpb, lpb + cb);
}

const std::vector<BYTE>* CResultReview::GetFolderKey(int nStore, int nFolder) const {
    auto it = m_folderKeys.find({nStore, nFolder});
    return it != m_folderKeys.end() ? &it->second : nullptr;
}

void CResultReview::Clear() {
    m_states.clear();
    m_folderKeys.clear();
}

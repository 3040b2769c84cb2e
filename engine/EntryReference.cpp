// CEntryReference: the search's record of one filed item.
#include "engine/EntryReference.h"

#include <cstdlib>
#include <cstring>

#include "trace/Trace.h"

namespace {

bool IsPresent(const SBinary& bin) {
    return bin.cb != 0 && bin.lpb != nullptr;
}

// The count is set only once the bytes are copied, so a failed copy leaves the field empty.
bool CopyBinary(SBinary& dest, const SBinary& source) {
    dest.lpb = static_cast<LPBYTE>(std::malloc(source.cb));
    if (dest.lpb == nullptr) {
        return false;
    }
    dest.cb = source.cb;
    std::memcpy(dest.lpb, source.lpb, source.cb);
    return true;
}

}  // namespace

CEntryReference::CEntryReference(ULONG ulNumber) : m_ftModified{0, 0}, m_ulNumber(ulNumber) {
    TRACE_CTOR("CEntryReference");
    InitObject();
}

CEntryReference::~CEntryReference() {
    TRACE_DTOR("CEntryReference");
    FreeCopies();
}

// The entry id, the profile key and the subject share one block, which starts with the entry id.
// A search files one reference per item: one block instead of three is two allocations less each.
void CEntryReference::FreeCopies() {
    std::free(m_entryID.lpb);
    m_entryID = SBinary{0, nullptr};
    m_profileKey = SBinary{0, nullptr};
    m_lpszSubject = nullptr;
}

void CEntryReference::InitObject() {
    TRACE_FUNC_VOID("InitObject");
    m_profileKey = SBinary{0, nullptr};
    m_entryID = SBinary{0, nullptr};
    m_lStoreIndex = -1;
    m_lFolderIndex = -1;
    m_lpszSubject = nullptr;
    m_cRef = 0;
}

ULONG CEntryReference::AddRef() {
    return ++m_cRef;
}

ULONG CEntryReference::Release() {
    if (m_cRef > 0) {
        --m_cRef;
    }
    if (m_cRef == 0) {
        delete this;
        return 0;
    }
    return m_cRef;
}

HRESULT CEntryReference::Init(const SBinary* lpProfileKey, LONG lStoreIndex, LONG lFolderIndex,
                              const SBinary* lpEntryID, FILETIME ftModified, LPCSTR lpszSubject) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("Init", hr);
    if (lpProfileKey == nullptr || !IsPresent(*lpProfileKey)) {
        QTRACE(TRACE_ERROR, "Failure: Invalid profile key specified!\n");
        return hr = E_INVALIDARG;
    }
    if (lStoreIndex < 0) {
        QTRACE(TRACE_ERROR, "Failure: Invalid store index specified!\n");
        return hr = E_INVALIDARG;
    }
    if (lFolderIndex < 0) {
        QTRACE(TRACE_ERROR, "Failure: Invalid folder index specified!\n");
        return hr = E_INVALIDARG;
    }
    if (lpEntryID == nullptr || !IsPresent(*lpEntryID)) {
        QTRACE(TRACE_ERROR, "Failure: Invalid entryID specified!\n");
        return hr = E_INVALIDARG;
    }
    m_lStoreIndex = lStoreIndex;
    m_lFolderIndex = lFolderIndex;
    FreeCopies();

    const size_t cchSubject = (lpszSubject != nullptr) ? std::strlen(lpszSubject) : 0;
    const size_t cbBlock =
        size_t(lpEntryID->cb) + lpProfileKey->cb + (lpszSubject != nullptr ? cchSubject + 1 : 0);
    auto* pBlock = static_cast<LPBYTE>(std::malloc(cbBlock));
    if (pBlock == nullptr) {
        QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate entry ID buffer!\n");
        return hr = E_OUTOFMEMORY;
    }
    std::memcpy(pBlock, lpEntryID->lpb, lpEntryID->cb);
    m_entryID = SBinary{lpEntryID->cb, pBlock};
    LPBYTE pProfile = pBlock + lpEntryID->cb;
    std::memcpy(pProfile, lpProfileKey->lpb, lpProfileKey->cb);
    m_profileKey = SBinary{lpProfileKey->cb, pProfile};
    m_ftModified = ftModified;
    if (lpszSubject != nullptr) {
        m_lpszSubject = reinterpret_cast<LPSTR>(pProfile + lpProfileKey->cb);
        std::memcpy(m_lpszSubject, lpszSubject, cchSubject + 1);
    }
    return hr;
}

HRESULT CEntryReference::GetEntryID(SBinary* lpEntryID) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("GetEntryID", hr);
    if (lpEntryID == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid key pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    lpEntryID->cb = 0;
    lpEntryID->lpb = nullptr;
    if (!IsPresent(m_entryID)) {
        return hr;
    }
    if (!CopyBinary(*lpEntryID, m_entryID)) {
        QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate memory for key!\n");
        return hr = E_OUTOFMEMORY;
    }
    return hr;
}

HRESULT CEntryReference::GetSubjectLine(LPSTR* lppszSubject) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("GetSubjectLine", hr);
    if (lppszSubject == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid subject pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    *lppszSubject = nullptr;
    if (m_lpszSubject == nullptr) {
        return hr;
    }
    const size_t cch = std::strlen(m_lpszSubject);
    *lppszSubject = static_cast<LPSTR>(std::calloc(cch + 1, 1));
    if (*lppszSubject == nullptr) {
        QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate memory for subject string!\n");
        return hr = E_OUTOFMEMORY;
    }
    std::memcpy(*lppszSubject, m_lpszSubject, cch);
    return hr;
}

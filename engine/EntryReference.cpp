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

static_assert(sizeof(CEntryReference) <= 48, "one reference per item: kept at 48 bytes");

LPCSTR CEntryReference::Subject() const {
    return m_fSubject ? reinterpret_cast<LPCSTR>(m_pBlock + m_cbEntryID + m_cbProfileKey) : nullptr;
}

// Measured again when the block goes: a subject length is not worth 4 bytes of every reference.
size_t CEntryReference::BlockBytes() const {
    LPCSTR lpszSubject = Subject();
    return size_t(m_cbEntryID) + m_cbProfileKey + (lpszSubject != nullptr ? std::strlen(lpszSubject) + 1 : 0);
}

CEntryReference::CEntryReference(ULONG ulNumber)
    : m_pBlock(nullptr),
      m_cbEntryID(0),
      m_cbProfileKey(0),
      m_fSubject(0),
      m_ftModified{0, 0},
      m_ulNumber(ulNumber) {
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
    CPooledObject::FreeBytes(m_pBlock, BlockBytes());
    m_pBlock = nullptr;
    m_cbEntryID = 0;
    m_cbProfileKey = 0;
    m_fSubject = 0;
}

void CEntryReference::InitObject() {
    TRACE_FUNC_VOID("InitObject");
    m_pBlock = nullptr;
    m_cbEntryID = 0;
    m_cbProfileKey = 0;
    m_fSubject = 0;
    m_lStoreIndex = -1;
    m_lFolderIndex = -1;
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

    const size_t cbSubject = (lpszSubject != nullptr) ? std::strlen(lpszSubject) + 1 : 0;
    const size_t cbBlock = size_t(lpEntryID->cb) + lpProfileKey->cb + cbSubject;
    // The counts are kept in 32 bits (31 for the profile key); a block they cannot describe is
    // refused like one that cannot be had.
    auto* pBlock = (cbBlock <= 0xFFFFFFFFu && lpProfileKey->cb < 0x80000000u)
                       ? static_cast<LPBYTE>(CPooledObject::AllocateBytes(cbBlock))
                       : nullptr;
    if (pBlock == nullptr) {
        QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate entry ID buffer!\n");
        return hr = E_OUTOFMEMORY;
    }
    std::memcpy(pBlock, lpEntryID->lpb, lpEntryID->cb);
    std::memcpy(pBlock + lpEntryID->cb, lpProfileKey->lpb, lpProfileKey->cb);
    if (lpszSubject != nullptr) {
        std::memcpy(pBlock + lpEntryID->cb + lpProfileKey->cb, lpszSubject, cbSubject);
    }
    m_pBlock = pBlock;
    m_cbEntryID = lpEntryID->cb;
    m_cbProfileKey = lpProfileKey->cb;
    m_fSubject = (lpszSubject != nullptr) ? 1 : 0;
    m_ftModified = ftModified;
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
    if (m_pBlock == nullptr || m_cbEntryID == 0) {
        return hr;
    }
    if (!CopyBinary(*lpEntryID, SBinary{m_cbEntryID, m_pBlock})) {
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
    LPCSTR pSubject = Subject();
    if (pSubject == nullptr) {
        return hr;
    }
    const size_t cch = std::strlen(pSubject);
    *lppszSubject = static_cast<LPSTR>(std::calloc(cch + 1, 1));
    if (*lppszSubject == nullptr) {
        QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate memory for subject string!\n");
        return hr = E_OUTOFMEMORY;
    }
    std::memcpy(*lppszSubject, pSubject, cch);
    return hr;
}

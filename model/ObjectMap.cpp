// CObjectMap: a balanced tree of binary keys with optional names, every one a private copy.
#include "model/ObjectMap.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "model/FailureCountdown.h"
#include "trace/Trace.h"

namespace {

std::atomic<int> g_nFailureAfter{-1};

void* CopyAlloc(size_t nBytes) {
    if (TakeCountedFailure(&g_nFailureAfter)) {
        return nullptr;
    }
    return std::malloc(nBytes);
}

bool IsEmptyKey(const SBinary& key) {
    return key.cb == 0 || key.lpb == nullptr;
}

}  // namespace

void SetObjectMapFailureAfter(int nSkip) {
    g_nFailureAfter.store(nSkip);
}

bool BinaryKeyLess(const SBinary& a, const SBinary& b) {
    const bool bEmptyA = IsEmptyKey(a);
    const bool bEmptyB = IsEmptyKey(b);
    if (bEmptyA || bEmptyB) {
        return bEmptyA && !bEmptyB;
    }
    if (a.cb != b.cb) {
        return a.cb < b.cb;
    }
    return std::memcmp(a.lpb, b.lpb, a.cb) < 0;
}

CObjectMap::CObjectMap() {
    TRACE_CTOR("CObjectMap");
}

CObjectMap::~CObjectMap() {
    TRACE_DTOR("CObjectMap");
    Clear();
}

void CObjectMap::Clear() {
    TRACE_FUNC_VOID("CObjectMap::Clear");
    for (auto& entry : m_map) {
        std::free(entry.first.lpb);
        std::free(entry.second);
    }
    m_map.clear();
}

HRESULT CObjectMap::ResetContent() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CObjectMap::ResetContent", hr);
    Clear();
    return hr;
}

HRESULT CObjectMap::Insert(ULONG cb, const BYTE* lpb, LPCSTR lpszName) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CObjectMap::Insert", hr);
    if (cb == 0 || lpb == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid binary key specified!\n");
        return hr = E_INVALIDARG;
    }
    SBinary key = {cb, static_cast<LPBYTE>(CopyAlloc(cb))};
    if (key.lpb == nullptr) {
        QTRACE(TRACE_ERROR, "malloc() failed: Unable toallocate binary key!\n");
        return hr = E_OUTOFMEMORY;
    }
    std::memcpy(key.lpb, lpb, cb);
    char* lpszCopy = nullptr;
    if (lpszName != nullptr) {
        size_t nLength = std::strlen(lpszName);
        lpszCopy = static_cast<char*>(CopyAlloc(nLength + 1));
        if (lpszCopy == nullptr) {
            QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate name buffer!\n");
            std::free(key.lpb);
            return hr = E_OUTOFMEMORY;
        }
        std::memcpy(lpszCopy, lpszName, nLength + 1);
    }
    auto it = m_map.find(key);
    if (it != m_map.end()) {
        // One entry per key: the held key stays, the name is the latest one given.
        std::free(it->second);
        it->second = lpszCopy;
        std::free(key.lpb);
        return hr;
    }
    try {
        m_map.emplace(key, lpszCopy);
    } catch (const std::bad_alloc&) {
        QTRACE(TRACE_ERROR, "malloc() failed: Unable toallocate binary key!\n");
        std::free(key.lpb);
        std::free(lpszCopy);
        return hr = E_OUTOFMEMORY;
    }
    return hr;
}

HRESULT CObjectMap::Insert(const CObjectMap& other) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CObjectMap::Insert", hr);
    QTRACE(TRACE_INFO, "Inserting map...\n");
    if (&other == this) {
        // Clearing first would destroy the very entries we are about to copy.
        return hr;
    }
    Clear();
    for (const auto& entry : other.m_map) {
        if (IsEmptyKey(entry.first)) {
            QTRACE(TRACE_WARNING, "NULL key found - skipping!\n");
            continue;
        }
        hr = Insert(entry.first.cb, entry.first.lpb, entry.second);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "Insert() failed: hr = 0x%08lx\n", hr);
            return hr;
        }
    }
    return hr;
}

HRESULT CObjectMap::IsObjectPresent(ULONG cb, const BYTE* lpb, BOOL* pbPresent) const {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CObjectMap::IsObjectPresent", hr);
    if (pbPresent == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid argument specified!\n");
        return hr = E_INVALIDARG;
    }
    *pbPresent = FALSE;
    if (cb == 0 || lpb == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid binary key specified!\n");
        return hr = E_INVALIDARG;
    }
    SBinary key = {cb, const_cast<LPBYTE>(lpb)};
    if (m_map.find(key) != m_map.end()) {
        *pbPresent = TRUE;
    }
    return hr;
}

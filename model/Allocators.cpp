// The element allocators: zero-filled malloc copies of binary values, strings and GUIDs.
#include "model/Allocators.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "model/FailureCountdown.h"
#include "trace/Trace.h"

namespace {

std::atomic<int> g_nFailureAfter{-1};

// calloc, unless the test seam says this allocation is the one that fails.
void* ZeroAlloc(size_t nCount, size_t nSize) {
    if (TakeCountedFailure(&g_nFailureAfter)) {
        return nullptr;
    }
    return std::calloc(nCount, nSize);
}

size_t WideLength(const WCHAR* lpsz) {
    size_t n = 0;
    while (lpsz[n] != 0) {
        ++n;
    }
    return n;
}

}  // namespace

void SetAllocatorFailureAfter(int nSkip) {
    g_nFailureAfter.store(nSkip);
}

// ---- CBinaryAllocator ----

CBinaryAllocator::CBinaryAllocator() {
    TRACE_CTOR("CBinaryAllocator");
}

CBinaryAllocator::~CBinaryAllocator() {
    TRACE_DTOR("CBinaryAllocator");
}

SBinary* CBinaryAllocator::Allocate(const SBinary*) {
    return static_cast<SBinary*>(ZeroAlloc(1, sizeof(SBinary)));
}

HRESULT CBinaryAllocator::Copy(SBinary* lpDest, const SBinary* lpSource) {
    if (lpDest == nullptr || lpSource == nullptr || lpSource->cb == 0 || lpSource->lpb == nullptr) {
        return S_OK;
    }
    BYTE* lpb = static_cast<BYTE*>(ZeroAlloc(lpSource->cb, 1));
    if (lpb == nullptr) {
        return E_OUTOFMEMORY;
    }
    std::memcpy(lpb, lpSource->lpb, lpSource->cb);
    lpDest->lpb = lpb;
    lpDest->cb = lpSource->cb;
    return S_OK;
}

void CBinaryAllocator::Free(SBinary* lpValue) {
    if (lpValue == nullptr) {
        return;
    }
    std::free(lpValue->lpb);
    std::free(lpValue);
}

// ---- CCharAllocator ----

CCharAllocator::CCharAllocator() {
    TRACE_CTOR("CCharAllocator");
}

CCharAllocator::~CCharAllocator() {
    TRACE_DTOR("CCharAllocator");
}

char* CCharAllocator::Allocate(const char* lpszSource) {
    if (lpszSource == nullptr) {
        return nullptr;
    }
    size_t nLength = std::strlen(lpszSource);
    char* lpsz = static_cast<char*>(ZeroAlloc(nLength + 1, 1));
    if (lpsz != nullptr) {
        std::memcpy(lpsz, lpszSource, nLength + 1);
    }
    return lpsz;
}

HRESULT CCharAllocator::Copy(char* lpszDest, const char* lpszSource) {
    if (lpszDest == nullptr || lpszSource == nullptr) {
        return S_OK;
    }
    size_t nLength = std::strlen(lpszSource);
    if (nLength <= std::strlen(lpszDest)) {
        std::memmove(lpszDest, lpszSource, nLength + 1);
    }
    return S_OK;
}

void CCharAllocator::Free(char* lpszValue) {
    std::free(lpszValue);
}

// ---- CWchar_tAllocator ----

CWchar_tAllocator::CWchar_tAllocator() {
    TRACE_CTOR("CWchar_tAllocator");
}

CWchar_tAllocator::~CWchar_tAllocator() {
    TRACE_DTOR("CWchar_tAllocator");
}

WCHAR* CWchar_tAllocator::Allocate(const WCHAR* lpszSource) {
    if (lpszSource == nullptr) {
        return nullptr;
    }
    size_t nLength = WideLength(lpszSource);
    WCHAR* lpsz = static_cast<WCHAR*>(ZeroAlloc(nLength + 1, sizeof(WCHAR)));
    if (lpsz != nullptr) {
        std::memcpy(lpsz, lpszSource, (nLength + 1) * sizeof(WCHAR));
    }
    return lpsz;
}

HRESULT CWchar_tAllocator::Copy(WCHAR* lpszDest, const WCHAR* lpszSource) {
    if (lpszDest == nullptr || lpszSource == nullptr) {
        return S_OK;
    }
    size_t nLength = WideLength(lpszSource);
    if (nLength <= WideLength(lpszDest)) {
        std::memmove(lpszDest, lpszSource, (nLength + 1) * sizeof(WCHAR));
    }
    return S_OK;
}

void CWchar_tAllocator::Free(WCHAR* lpszValue) {
    std::free(lpszValue);
}

// ---- CClsidAllocator ----

CClsidAllocator::CClsidAllocator() {
    TRACE_CTOR("CClsidAllocator");
}

CClsidAllocator::~CClsidAllocator() {
    TRACE_DTOR("CClsidAllocator");
}

GUID* CClsidAllocator::Allocate(const GUID* lpSource) {
    if (lpSource == nullptr) {
        return nullptr;
    }
    GUID* lpGuid = static_cast<GUID*>(ZeroAlloc(1, sizeof(GUID)));
    if (lpGuid != nullptr) {
        std::memcpy(lpGuid, lpSource, sizeof(GUID));
    }
    return lpGuid;
}

HRESULT CClsidAllocator::Copy(GUID* lpDest, const GUID* lpSource) {
    if (lpDest != nullptr && lpSource != nullptr) {
        std::memmove(lpDest, lpSource, sizeof(GUID));
    }
    return S_OK;
}

void CClsidAllocator::Free(GUID* lpValue) {
    std::free(lpValue);
}

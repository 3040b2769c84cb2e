// CSmallBlockPool: size-class free lists over slabs, one lock per class; CPooledObject.
#include "engine/SmallBlockPool.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
#define QRV_POOL_BYPASSED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QRV_POOL_BYPASSED 1
#endif
#endif
#ifndef QRV_POOL_BYPASSED
#define QRV_POOL_BYPASSED 0
#endif

void CSmallBlockPool::CSpinLock::lock() noexcept {
    for (int nSpins = 0; m_fHeld.exchange(true, std::memory_order_acquire);) {
        while (m_fHeld.load(std::memory_order_relaxed)) {
            if (nSpins > 64) {
                std::this_thread::yield();
            } else {
                ++nSpins;
            }
        }
    }
}

CSmallBlockPool::CSmallBlockPool() : CSmallBlockPool(&std::malloc, &std::free) {}

CSmallBlockPool::CSmallBlockPool(SlabAllocate pfnAllocate, SlabFree pfnFree)
    : m_pfnAllocate(pfnAllocate), m_pfnFree(pfnFree) {}

CSmallBlockPool::~CSmallBlockPool() {
    for (CClass& cls : m_classes) {
        while (cls.pSlabs != nullptr) {
            CSlab* pNext = cls.pSlabs->pNext;
            m_pfnFree(cls.pSlabs);
            cls.pSlabs = pNext;
        }
    }
}

bool CSmallBlockPool::AddSlab(CClass& cls, size_t cbBlock) noexcept {
    auto* pSlab = static_cast<CSlab*>(m_pfnAllocate(kSlabBytes));
    if (pSlab == nullptr) {
        return false;
    }
    pSlab->pNext = cls.pSlabs;
    cls.pSlabs = pSlab;
    ++cls.cSlabs;
    char* pBytes = reinterpret_cast<char*>(pSlab + 1);
    cls.pBump = pBytes;
    // Only whole blocks: the tail shorter than a block stays unused.
    cls.pEnd = pBytes + (kSlabBytes - sizeof(CSlab)) / cbBlock * cbBlock;
    return true;
}

void* CSmallBlockPool::Allocate(size_t cb) noexcept {
    if (cb == 0) {
        cb = 1;
    }
    if (cb > kMaxBlock) {
        return m_pfnAllocate(cb);
    }
    const size_t cbBlock = (ClassOf(cb) + 1) * kGranule;
    CClass& cls = m_classes[ClassOf(cb)];
    std::lock_guard<CSpinLock> guard(cls.lock);
    void* p = nullptr;
    if (cls.pFree != nullptr) {
        p = cls.pFree;
        cls.pFree = cls.pFree->pNext;
    } else {
        if (cls.pBump == cls.pEnd && !AddSlab(cls, cbBlock)) {
            return nullptr;
        }
        p = cls.pBump;
        cls.pBump += cbBlock;
    }
    ++cls.cLive;
    return p;
}

void CSmallBlockPool::Free(void* p, size_t cb) noexcept {
    if (p == nullptr) {
        return;
    }
    if (cb == 0) {
        cb = 1;
    }
    if (cb > kMaxBlock) {
        m_pfnFree(p);
        return;
    }
    CClass& cls = m_classes[ClassOf(cb)];
    std::lock_guard<CSpinLock> guard(cls.lock);
    auto* pBlock = static_cast<CFreeBlock*>(p);
    pBlock->pNext = cls.pFree;
    cls.pFree = pBlock;
    if (--cls.cLive == 0) {
        ReleaseSlabsButNewest(cls);
    }
}

// Called with the class's lock held and no block of it in use. The newest slab is kept, emptied,
// so that a class whose last object comes and goes does not fetch a slab every time.
void CSmallBlockPool::ReleaseSlabsButNewest(CClass& cls) noexcept {
    if (cls.pSlabs == nullptr) {
        return;
    }
    CSlab* pOld = cls.pSlabs->pNext;
    while (pOld != nullptr) {
        CSlab* pNext = pOld->pNext;
        m_pfnFree(pOld);
        pOld = pNext;
    }
    CSlab* pKept = cls.pSlabs;
    pKept->pNext = nullptr;
    cls.cSlabs = 1;
    cls.pFree = nullptr;
    const size_t cbBlock = size_t(&cls - m_classes.data() + 1) * kGranule;
    char* pBytes = reinterpret_cast<char*>(pKept + 1);
    cls.pBump = pBytes;
    cls.pEnd = pBytes + (kSlabBytes - sizeof(CSlab)) / cbBlock * cbBlock;
}

void CSmallBlockPool::Trim() noexcept {
    for (CClass& cls : m_classes) {
        std::lock_guard<CSpinLock> guard(cls.lock);
        TrimClass(cls, size_t(&cls - m_classes.data() + 1) * kGranule);
    }
}

// Called with the class's lock held. Counts the free blocks of each older slab (the newest is being
// carved and stays), takes the blocks of every wholly free one out of the free list, and frees it.
void CSmallBlockPool::TrimClass(CClass& cls, size_t cbBlock) noexcept {
    if (cls.cSlabs < 2) {
        return;
    }
    const size_t cPerSlab = (kSlabBytes - sizeof(CSlab)) / cbBlock;
    const size_t cCarved =
        (cls.cSlabs - 1) * cPerSlab + size_t(cls.pBump - reinterpret_cast<char*>(cls.pSlabs + 1)) / cbBlock;
    if (cCarved - cls.cLive < cPerSlab) {
        return;  // not a whole slab's worth of free blocks
    }
    struct CCount {
        const char* pStart;
        size_t cFree;
    };
    const size_t cOlder = cls.cSlabs - 1;
    auto* pCounts = static_cast<CCount*>(std::malloc(cOlder * sizeof(CCount)));
    if (pCounts == nullptr) {
        return;  // nothing is lost: the slabs stay until the next trim
    }
    size_t i = 0;
    for (CSlab* pSlab = cls.pSlabs->pNext; pSlab != nullptr; pSlab = pSlab->pNext) {
        pCounts[i++] = CCount{reinterpret_cast<const char*>(pSlab), 0};
    }
    CCount* const pEnd = pCounts + cOlder;
    std::sort(pCounts, pEnd, [](const CCount& a, const CCount& b) { return a.pStart < b.pStart; });
    // The older slab holding p, or NULL for a block of the newest.
    auto SlabOf = [&](const void* p) -> CCount* {
        const char* pc = static_cast<const char*>(p);
        CCount* pAfter =
            std::upper_bound(pCounts, pEnd, pc, [](const char* q, const CCount& c) { return q < c.pStart; });
        if (pAfter == pCounts || pc >= (pAfter - 1)->pStart + kSlabBytes) {
            return nullptr;
        }
        return pAfter - 1;
    };
    for (CFreeBlock* pBlock = cls.pFree; pBlock != nullptr; pBlock = pBlock->pNext) {
        if (CCount* pCount = SlabOf(pBlock)) {
            ++pCount->cFree;
        }
    }
    for (CFreeBlock** ppBlock = &cls.pFree; *ppBlock != nullptr;) {
        const CCount* pCount = SlabOf(*ppBlock);
        if (pCount != nullptr && pCount->cFree == cPerSlab) {
            *ppBlock = (*ppBlock)->pNext;
        } else {
            ppBlock = &(*ppBlock)->pNext;
        }
    }
    for (CSlab** ppSlab = &cls.pSlabs->pNext; *ppSlab != nullptr;) {
        CSlab* pSlab = *ppSlab;
        if (SlabOf(pSlab)->cFree == cPerSlab) {
            *ppSlab = pSlab->pNext;
            m_pfnFree(pSlab);
            --cls.cSlabs;
        } else {
            ppSlab = &pSlab->pNext;
        }
    }
    std::free(pCounts);
}

size_t CSmallBlockPool::SumOverClasses(size_t CClass::*pCount) const noexcept {
    size_t cSum = 0;
    for (const CClass& cls : m_classes) {
        std::lock_guard<CSpinLock> guard(cls.lock);
        cSum += cls.*pCount;
    }
    return cSum;
}

size_t CSmallBlockPool::LiveBlocks() const noexcept {
    return SumOverClasses(&CClass::cLive);
}

size_t CSmallBlockPool::SlabCount() const noexcept {
    return SumOverClasses(&CClass::cSlabs);
}

CSmallBlockPool& CSmallBlockPool::Shared() noexcept {
    // Made on first use and deliberately never destroyed (see the header); the static pointer keeps
    // it reachable for leak checkers.
    static CSmallBlockPool* const s_pPool = new CSmallBlockPool();
    return *s_pPool;
}

namespace {

std::atomic<int> g_nFailureAfter{-1};

// True when the test seam says this allocation is the one that fails. One relaxed load when off.
bool FailureFires() noexcept {
    int n = g_nFailureAfter.load(std::memory_order_relaxed);
    while (n >= 0) {
        if (g_nFailureAfter.compare_exchange_weak(n, n - 1)) {
            return n == 0;
        }
    }
    return false;
}

}  // namespace

void CPooledObject::SetFailureAfter(int nSkip) noexcept {
    g_nFailureAfter.store(nSkip);
}

void* CPooledObject::AllocateBytes(size_t cb) noexcept {
    if (FailureFires()) {
        return nullptr;
    }
    if constexpr (QRV_POOL_BYPASSED) {
        return std::malloc(cb == 0 ? 1 : cb);
    } else {
        return CSmallBlockPool::Shared().Allocate(cb);
    }
}

void CPooledObject::FreeBytes(void* p, size_t cb) noexcept {
    if constexpr (QRV_POOL_BYPASSED) {
        (void)cb;
        std::free(p);
    } else {
        CSmallBlockPool::Shared().Free(p, cb);
    }
}

void* CPooledObject::operator new(size_t cb) {
    void* p = AllocateBytes(cb);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}

void* CPooledObject::operator new(size_t cb, const std::nothrow_t&) noexcept {
    return AllocateBytes(cb);
}

void CPooledObject::operator delete(void* p, size_t cb) noexcept {
    FreeBytes(p, cb);
}

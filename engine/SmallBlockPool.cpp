// CSmallBlockPool: size classes over slabs that keep their own free blocks, one lock per class;
// CPooledObject.
#include "engine/SmallBlockPool.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
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
        std::free(cls.ppSorted);
    }
}

bool CSmallBlockPool::AddSlab(CClass& cls, size_t cbBlock) noexcept {
    if (cls.cSlabs == cls.cSortedRoom) {
        const size_t cRoom = cls.cSortedRoom == 0 ? 16 : cls.cSortedRoom * 2;
        auto* ppSorted = static_cast<CSlab**>(std::realloc(cls.ppSorted, cRoom * sizeof(CSlab*)));
        if (ppSorted == nullptr) {
            return false;
        }
        cls.ppSorted = ppSorted;
        cls.cSortedRoom = cRoom;
    }
    auto* pSlab = static_cast<CSlab*>(m_pfnAllocate(kSlabBytes));
    if (pSlab == nullptr) {
        return false;
    }
    *pSlab = CSlab{cls.pSlabs, nullptr, nullptr, 0, 0};
    cls.pSlabs = pSlab;
    // Slabs mostly come at rising addresses, so the insertion mostly appends.
    CSlab** ppEnd = cls.ppSorted + cls.cSlabs;
    CSlab** ppAt = std::upper_bound(cls.ppSorted, ppEnd, pSlab);
    std::memmove(ppAt + 1, ppAt, size_t(ppEnd - ppAt) * sizeof(CSlab*));
    *ppAt = pSlab;
    ++cls.cSlabs;
    char* pBytes = reinterpret_cast<char*>(pSlab + 1);
    cls.pBump = pBytes;
    // Only whole blocks: the tail shorter than a block stays unused.
    cls.pEnd = pBytes + (kSlabBytes - sizeof(CSlab)) / cbBlock * cbBlock;
    return true;
}

// The slab of a block of this class: the last slab that starts at or before it. The search has no
// branches to mispredict, as blocks come back in any order.
CSmallBlockPool::CSlab* CSmallBlockPool::SlabOf(const CClass& cls, const void* p) noexcept {
    CSlab** ppBase = cls.ppSorted;
    const uintptr_t key = reinterpret_cast<uintptr_t>(p);
    size_t n = cls.cSlabs;
    while (n > 1) {
        const size_t half = n / 2;
        ppBase = (reinterpret_cast<uintptr_t>(ppBase[half]) <= key) ? ppBase + half : ppBase;
        n -= half;
    }
    return *ppBase;
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
    if (CSlab* pSlab = cls.pPartial; pSlab != nullptr) {
        p = pSlab->pFree;
        pSlab->pFree = pSlab->pFree->pNext;
        ++pSlab->cLive;
        if (pSlab->pFree == nullptr) {
            cls.pPartial = pSlab->pNextPartial;
            pSlab->fPartial = 0;
        }
    } else {
        if (cls.pBump == cls.pEnd && !AddSlab(cls, cbBlock)) {
            return nullptr;
        }
        p = cls.pBump;
        cls.pBump += cbBlock;
        ++cls.pSlabs->cLive;
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
    CSlab* pSlab = SlabOf(cls, p);
    auto* pBlock = static_cast<CFreeBlock*>(p);
    pBlock->pNext = pSlab->pFree;
    pSlab->pFree = pBlock;
    --pSlab->cLive;
    if (!pSlab->fPartial) {
        pSlab->fPartial = 1;
        pSlab->pNextPartial = cls.pPartial;
        cls.pPartial = pSlab;
    }
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
    *pKept = CSlab{nullptr, nullptr, nullptr, 0, 0};
    cls.ppSorted[0] = pKept;
    cls.cSlabs = 1;
    cls.pPartial = nullptr;
    const size_t cbBlock = size_t(&cls - m_classes.data() + 1) * kGranule;
    char* pBytes = reinterpret_cast<char*>(pKept + 1);
    cls.pBump = pBytes;
    cls.pEnd = pBytes + (kSlabBytes - sizeof(CSlab)) / cbBlock * cbBlock;
}

void CSmallBlockPool::Trim() noexcept {
    for (CClass& cls : m_classes) {
        std::lock_guard<CSpinLock> guard(cls.lock);
        TrimClass(cls);
    }
}

// Called with the class's lock held. Every older slab without a live block leaves the partial list,
// the sorted slabs and the slab list, and goes back; the newest is being carved and stays.
void CSmallBlockPool::TrimClass(CClass& cls) noexcept {
    CSlab* const pNewest = cls.pSlabs;
    auto Unused = [pNewest](const CSlab* pSlab) { return pSlab->cLive == 0 && pSlab != pNewest; };
    for (CSlab** ppSlab = &cls.pPartial; *ppSlab != nullptr;) {
        if (Unused(*ppSlab)) {
            *ppSlab = (*ppSlab)->pNextPartial;
        } else {
            ppSlab = &(*ppSlab)->pNextPartial;
        }
    }
    CSlab** ppKept = std::remove_if(cls.ppSorted, cls.ppSorted + cls.cSlabs, Unused);
    cls.cSlabs = size_t(ppKept - cls.ppSorted);
    if (pNewest == nullptr) {
        return;
    }
    for (CSlab** ppSlab = &pNewest->pNext; *ppSlab != nullptr;) {
        CSlab* pSlab = *ppSlab;
        if (pSlab->cLive == 0) {
            *ppSlab = pSlab->pNext;
            m_pfnFree(pSlab);
        } else {
            ppSlab = &pSlab->pNext;
        }
    }
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

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
    }
}

bool CSmallBlockPool::CSlabTable::Reserve(size_t cSlabs) noexcept {
    // At most a quarter full, so a probe mostly meets its slab or an empty entry at once.
    if (cSlabs * 4 <= m_cEntries) {
        return true;
    }
    CSlab** const ppOld = m_ppEntries;
    const size_t cOld = m_cEntries;
    if (!MakeRoom(cSlabs, m_nBits)) {
        return false;
    }
    for (size_t i = 0; i < cOld; ++i) {
        if (ppOld[i] != nullptr) {
            Add(ppOld[i]);
        }
    }
    std::free(ppOld);
    return true;
}

bool CSmallBlockPool::CSlabTable::MakeRoom(size_t cSlabs, unsigned nBits) noexcept {
    nBits = std::max(nBits, 6u);
    while ((size_t(1) << nBits) < cSlabs * 4) {
        ++nBits;
    }
    auto* ppEntries = static_cast<CSlab**>(std::calloc(size_t(1) << nBits, sizeof(CSlab*)));
    if (ppEntries == nullptr) {
        return false;
    }
    m_ppEntries = ppEntries;
    m_cEntries = size_t(1) << nBits;
    m_nBits = nBits;
    return true;
}

void CSmallBlockPool::CSlabTable::Add(CSlab* pSlab) noexcept {
    size_t i = Home(WindowOf(pSlab));
    while (m_ppEntries[i] != nullptr) {
        i = (i + 1) & (m_cEntries - 1);
    }
    m_ppEntries[i] = pSlab;
}

void CSmallBlockPool::CSlabTable::Clear(size_t cSlabs) noexcept {
    // The room a large result needed goes back with its slabs; if a smaller table cannot be had,
    // the large one serves on.
    if (m_cEntries > 64 && cSlabs * 16 < m_cEntries) {
        CSlab** const ppOld = m_ppEntries;
        if (MakeRoom(cSlabs, 0)) {
            std::free(ppOld);
            return;
        }
    }
    if (m_ppEntries != nullptr) {
        std::memset(m_ppEntries, 0, m_cEntries * sizeof(CSlab*));
    }
}

CSmallBlockPool::CSlab* CSmallBlockPool::CSlabTable::StartingIn(uintptr_t window) const noexcept {
    for (size_t i = Home(window);; i = (i + 1) & (m_cEntries - 1)) {
        CSlab* const pSlab = m_ppEntries[i];
        if (pSlab == nullptr || WindowOf(pSlab) == window) {
            return pSlab;
        }
    }
}

CSmallBlockPool::CSlab* CSmallBlockPool::CSlabTable::Find(const void* p) const noexcept {
    CSlab* pSlab = StartingIn(WindowOf(p));
    if (pSlab == nullptr || reinterpret_cast<uintptr_t>(pSlab) > reinterpret_cast<uintptr_t>(p)) {
        pSlab = StartingIn(WindowOf(p) - 1);
    }
    return pSlab;
}

bool CSmallBlockPool::AddSlab(CClass& cls, size_t cbBlock) noexcept {
    if (!cls.table.Reserve(cls.cSlabs + 1)) {
        return false;
    }
    auto* pSlab = static_cast<CSlab*>(m_pfnAllocate(kSlabBytes));
    if (pSlab == nullptr) {
        return false;
    }
    *pSlab = CSlab{cls.pSlabs, nullptr, nullptr, 0, 0};
    cls.pSlabs = pSlab;
    cls.table.Add(pSlab);
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
    CSlab* pSlab = cls.table.Find(p);
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
    cls.table.Clear(1);
    cls.table.Add(pKept);
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

// Called with the class's lock held. Every older slab without a live block leaves the partial list
// and the slab list, and goes back; the newest is being carved and stays. The table is made anew
// from the slabs kept.
void CSmallBlockPool::TrimClass(CClass& cls) noexcept {
    CSlab* const pNewest = cls.pSlabs;
    if (pNewest == nullptr) {
        return;
    }
    for (CSlab** ppSlab = &cls.pPartial; *ppSlab != nullptr;) {
        if ((*ppSlab)->cLive == 0 && *ppSlab != pNewest) {
            *ppSlab = (*ppSlab)->pNextPartial;
        } else {
            ppSlab = &(*ppSlab)->pNextPartial;
        }
    }
    cls.cSlabs = 1;
    for (CSlab** ppSlab = &pNewest->pNext; *ppSlab != nullptr;) {
        CSlab* pSlab = *ppSlab;
        if (pSlab->cLive == 0) {
            *ppSlab = pSlab->pNext;
            m_pfnFree(pSlab);
        } else {
            ++cls.cSlabs;
            ppSlab = &pSlab->pNext;
        }
    }
    cls.table.Clear(cls.cSlabs);
    for (CSlab* pSlab = pNewest; pSlab != nullptr; pSlab = pSlab->pNext) {
        cls.table.Add(pSlab);
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

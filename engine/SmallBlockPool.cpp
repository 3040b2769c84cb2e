// CSmallBlockPool: size classes over slabs that keep their own free blocks, one lock per class;
// CPooledObject.
#include "engine/SmallBlockPool.h"

#include "engine/PrefaultPages.h"

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
        for (size_t i = 0; i < cls.cSlabs; ++i) {
            m_pfnFree(cls.pSlabs[i].pBytes);
        }
        std::free(cls.pSlabs);
    }
}

bool CSmallBlockPool::CSlabTable::Reserve(const CSlab* pSlabs, size_t cSlabs) noexcept {
    // At most a quarter full, so a probe mostly meets its slab or an empty entry at once.
    if (cSlabs * 4 <= m_cEntries) {
        return true;
    }
    if (!MakeRoom(std::max(cSlabs, m_cEntries / 2))) {
        return false;
    }
    for (size_t i = 0; i + 1 < cSlabs; ++i) {
        Add(pSlabs, uint32_t(i));
    }
    return true;
}

bool CSmallBlockPool::CSlabTable::MakeRoom(size_t cSlabs) noexcept {
    unsigned nBits = 6;
    while ((size_t(1) << nBits) < cSlabs * 4) {
        ++nBits;
    }
    auto* piEntries = static_cast<uint32_t*>(std::calloc(size_t(1) << nBits, sizeof(uint32_t)));
    if (piEntries == nullptr) {
        return false;
    }
    std::free(m_piEntries);
    m_piEntries = piEntries;
    m_cEntries = size_t(1) << nBits;
    m_nBits = nBits;
    return true;
}

void CSmallBlockPool::CSlabTable::Fill(const CSlab* pSlabs, size_t cSlabs) noexcept {
    // The room a large result needed goes back with its slabs; if a smaller table cannot be had,
    // the large one serves on.
    if (!(m_cEntries > 64 && cSlabs * 16 < m_cEntries && MakeRoom(cSlabs)) && m_piEntries != nullptr) {
        std::memset(m_piEntries, 0, m_cEntries * sizeof(uint32_t));
    }
    for (size_t i = 0; i < cSlabs; ++i) {
        Add(pSlabs, uint32_t(i));
    }
}

void CSmallBlockPool::CSlabTable::Add(const CSlab* pSlabs, uint32_t iSlab) noexcept {
    size_t i = Home(WindowOf(pSlabs[iSlab].pBytes));
    while (m_piEntries[i] != 0) {
        i = (i + 1) & (m_cEntries - 1);
    }
    m_piEntries[i] = iSlab + 1;
}

uint32_t CSmallBlockPool::CSlabTable::StartingIn(const CSlab* pSlabs, uintptr_t window) const noexcept {
    for (size_t i = Home(window);; i = (i + 1) & (m_cEntries - 1)) {
        const uint32_t iEntry = m_piEntries[i];
        if (iEntry == 0 || WindowOf(pSlabs[iEntry - 1].pBytes) == window) {
            return iEntry - 1;  // kNoSlab for an empty entry
        }
    }
}

uint32_t CSmallBlockPool::CSlabTable::Find(const CSlab* pSlabs, const void* p) const noexcept {
    uint32_t iSlab = StartingIn(pSlabs, WindowOf(p));
    if (iSlab == kNoSlab ||
        reinterpret_cast<uintptr_t>(pSlabs[iSlab].pBytes) > reinterpret_cast<uintptr_t>(p)) {
        iSlab = StartingIn(pSlabs, WindowOf(p) - 1);
    }
    return iSlab;
}

bool CSmallBlockPool::AddSlab(CClass& cls, size_t cbBlock) noexcept {
    if (cls.cSlabs == cls.cSlabRoom) {
        const size_t cRoom = cls.cSlabRoom == 0 ? 16 : cls.cSlabRoom * 2;
        auto* pSlabs = static_cast<CSlab*>(std::realloc(cls.pSlabs, cRoom * sizeof(CSlab)));
        if (pSlabs == nullptr) {
            return false;
        }
        cls.pSlabs = pSlabs;
        cls.cSlabRoom = cRoom;
    }
    auto* pBytes = static_cast<char*>(m_pfnAllocate(kSlabBytes));
    if (pBytes == nullptr) {
        return false;
    }
    cls.pSlabs[cls.cSlabs] = CSlab{pBytes, nullptr, 0, kNoSlab, 0};
    if (!cls.table.Reserve(cls.pSlabs, cls.cSlabs + 1)) {
        m_pfnFree(pBytes);
        return false;
    }
    cls.table.Add(cls.pSlabs, uint32_t(cls.cSlabs));
    ++cls.cSlabs;
    // The slab is carved block by block; its pages are mapped at once rather than one fault each.
    PrefaultPages(pBytes, kSlabBytes);
    cls.pBump = pBytes;
    // Only whole blocks: the tail shorter than a block stays unused.
    cls.pEnd = pBytes + kSlabBytes / cbBlock * cbBlock;
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
    if (cls.iPartial != kNoSlab) {
        CSlab& slab = cls.pSlabs[cls.iPartial];
        p = slab.pFree;
        slab.pFree = slab.pFree->pNext;
        ++slab.cLive;
        if (slab.pFree == nullptr) {
            cls.iPartial = slab.iNextPartial;
            slab.fPartial = 0;
        }
    } else {
        if (cls.pBump == cls.pEnd && !AddSlab(cls, cbBlock)) {
            return nullptr;
        }
        p = cls.pBump;
        cls.pBump += cbBlock;
        ++cls.pSlabs[cls.cSlabs - 1].cLive;
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
    const uint32_t iSlab = cls.table.Find(cls.pSlabs, p);
    CSlab& slab = cls.pSlabs[iSlab];
    auto* pBlock = static_cast<CFreeBlock*>(p);
    pBlock->pNext = slab.pFree;
    slab.pFree = pBlock;
    --slab.cLive;
    if (!slab.fPartial) {
        slab.fPartial = 1;
        slab.iNextPartial = cls.iPartial;
        cls.iPartial = iSlab;
    }
    if (--cls.cLive == 0) {
        ReleaseSlabsButNewest(cls);
    }
}

template <class Keep>
void CSmallBlockPool::KeepSlabs(CClass& cls, Keep fKeep) noexcept {
    size_t cKept = 0;
    cls.iPartial = kNoSlab;
    for (size_t i = 0; i < cls.cSlabs; ++i) {
        if (!fKeep(i)) {
            m_pfnFree(cls.pSlabs[i].pBytes);
            continue;
        }
        CSlab& slab = cls.pSlabs[cKept] = cls.pSlabs[i];
        slab.fPartial = slab.pFree != nullptr;
        if (slab.fPartial) {
            slab.iNextPartial = cls.iPartial;
            cls.iPartial = uint32_t(cKept);
        }
        ++cKept;
    }
    cls.cSlabs = cKept;
    // The array a large result needed shrinks with it; if it cannot, it serves on.
    if (cls.cSlabRoom > 64 && cKept * 4 < cls.cSlabRoom) {
        const size_t cRoom = std::max<size_t>(16, cKept * 2);
        if (auto* pSlabs = static_cast<CSlab*>(std::realloc(cls.pSlabs, cRoom * sizeof(CSlab)))) {
            cls.pSlabs = pSlabs;
            cls.cSlabRoom = cRoom;
        }
    }
    cls.table.Fill(cls.pSlabs, cls.cSlabs);
}

// Called with the class's lock held and no block of it in use. The newest slab is kept, emptied,
// so that a class whose last object comes and goes does not fetch a slab every time.
void CSmallBlockPool::ReleaseSlabsButNewest(CClass& cls) noexcept {
    if (cls.cSlabs == 0) {
        return;
    }
    const size_t iNewest = cls.cSlabs - 1;
    CSlab& newest = cls.pSlabs[iNewest];
    newest.pFree = nullptr;
    newest.cLive = 0;
    KeepSlabs(cls, [iNewest](size_t i) { return i == iNewest; });
    const size_t cbBlock = size_t(&cls - m_classes.data() + 1) * kGranule;
    cls.pBump = cls.pSlabs[0].pBytes;
    cls.pEnd = cls.pBump + kSlabBytes / cbBlock * cbBlock;
}

void CSmallBlockPool::Trim() noexcept {
    for (CClass& cls : m_classes) {
        std::lock_guard<CSpinLock> guard(cls.lock);
        TrimClass(cls);
    }
}

// Called with the class's lock held. Every older slab without a live block goes back; the newest is
// being carved and stays.
void CSmallBlockPool::TrimClass(CClass& cls) noexcept {
    const size_t iNewest = cls.cSlabs - 1;  // none kept when there is no slab
    KeepSlabs(cls, [&cls, iNewest](size_t i) { return i == iNewest || cls.pSlabs[i].cLive != 0; });
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

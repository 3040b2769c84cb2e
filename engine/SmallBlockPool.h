// Headerless fixed-size blocks for the many small objects of the duplicate index.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

// A large search makes a handful of small heap objects for every distinct label: an entry
// reference and its ids, a drawer, one level per compared column. From the general heap each costs
// an 8-byte block header and rounding to 16 bytes, and a call through the allocator's general
// paths. The pool hands out blocks of exact 8-byte size classes carved from 64 KB slabs, with no
// header: the caller states the size again when it gives a block back, which every user here knows
// (the object's own size, or the byte counts it keeps).
//
// The search files its items on the user-interface thread, while its progress window is shown and
// no message loop runs; the result page and the cleanup release them on that thread too. Each class
// still has a lock of its own, so that the pool stays sound for whichever thread gives a block back.
// It is a spin lock: it is held for a few instructions, is hardly ever contended, and costs a
// fraction of a mutex, which showed as the pool's main cost.
//
// Each slab keeps its own free blocks and counts the blocks it has handed out, and a block's slab
// is found from its address through a small table of the class (CSlabTable). So memory goes back
// to the heap without visiting a single block: when the last block of a class comes back, its slabs
// go except one; and when a search result is released (Trim), every slab with no block in use goes.
// Without that, one small object still alive from another search (of the same size class) would
// keep every slab of a dropped result, hundreds of megabytes for a large store, for the life of the
// program. Blocks are handed out from slabs that have free ones before new ones are carved, which
// keeps the live blocks together and leaves more slabs wholly free.
//
// Blocks are 8-byte aligned, which is all the engine's objects need. Sizes above kMaxBlock go to the
// general heap.
class CSmallBlockPool {
public:
    static constexpr size_t kGranule = 8;
    static constexpr size_t kMaxBlock = 256;
    static constexpr size_t kSlabBytes = 64 * 1024;

    // Where slabs come from; tests give one that fails. Must behave like malloc/free.
    using SlabAllocate = void* (*)(size_t);
    using SlabFree = void (*)(void*);

    CSmallBlockPool();
    CSmallBlockPool(SlabAllocate pfnAllocate, SlabFree pfnFree);
    // Gives every slab back; blocks still handed out become invalid.
    ~CSmallBlockPool();
    CSmallBlockPool(const CSmallBlockPool&) = delete;
    CSmallBlockPool& operator=(const CSmallBlockPool&) = delete;

    // A block of at least cb bytes (cb > 0), or NULL when no memory can be had.
    void* Allocate(size_t cb) noexcept;
    // Gives back a block from Allocate with the same cb. NULL is ignored.
    void Free(void* p, size_t cb) noexcept;

    // Blocks handed out and not given back, over all classes (for tests and balance checks).
    size_t LiveBlocks() const noexcept;
    // Slabs the pool holds at the moment.
    size_t SlabCount() const noexcept;

    // Gives back to the heap every slab none of whose blocks is handed out, except the newest of each
    // class, which the class carves from. Costs a step per slab, none per block.
    void Trim() noexcept;

    // The process's pool, used by the index's objects. It is never destroyed, so an object released
    // during the program's shutdown still finds it.
    static CSmallBlockPool& Shared() noexcept;

private:
    struct CFreeBlock {
        CFreeBlock* pNext;
    };
    // What the pool knows of a slab. It is kept apart from the slab's memory, in an array of the
    // class: giving a block back then reads and writes the class's compact arrays, which stay in the
    // cache, instead of a head at the start of the slab, a page away from most of its blocks, which
    // cost a cache and address-translation miss on nearly every block of a large result released.
    struct CSlab {
        char* pBytes;           // kSlabBytes from the slab source, all of it blocks
        CFreeBlock* pFree;      // blocks of this slab given back
        uint32_t cLive;         // blocks of this slab handed out
        uint32_t iNextPartial;  // the next slab with free blocks, while on the class's partial list
        uint32_t fPartial;      // on the partial list
    };
    static constexpr uint32_t kNoSlab = ~uint32_t(0);
    // Held for a handful of instructions; a waiter yields after a short spin.
    class CSpinLock {
    public:
        void lock() noexcept;
        void unlock() noexcept { m_fHeld.store(false, std::memory_order_release); }

    private:
        std::atomic<bool> m_fHeld{false};
    };
    // The slabs of a class by the kSlabBytes-sized window of the address space each starts in. A slab
    // is kSlabBytes long, so no two start in one window, and a block lies in the window its slab
    // starts in or in the next: one or two probes find it, where a search over the slabs took a
    // dozen dependent steps on every block given back, which showed when a large result is released.
    // The slabs stay wherever the slab source puts them, so none wastes room on alignment. Entries
    // are indexes into the class's slab array, plus one; 0 is an empty entry.
    class CSlabTable {
    public:
        CSlabTable() = default;
        CSlabTable(const CSlabTable&) = delete;
        CSlabTable& operator=(const CSlabTable&) = delete;
        ~CSlabTable() { std::free(m_piEntries); }
        // Room for cSlabs slabs at a low load, filled anew from pSlabs[0, cSlabs) when it grows; false
        // when none can be had (the table is unchanged).
        bool Reserve(const CSlab* pSlabs, size_t cSlabs) noexcept;
        // Forgets every slab and enters pSlabs[0, cSlabs); the room shrinks when it is far larger.
        void Fill(const CSlab* pSlabs, size_t cSlabs) noexcept;
        // Slabs are only added one at a time, after Reserve.
        void Add(const CSlab* pSlabs, uint32_t iSlab) noexcept;
        // The index of the slab holding the block p; p must be a block of one of the table's slabs.
        uint32_t Find(const CSlab* pSlabs, const void* p) const noexcept;

    private:
        static uintptr_t WindowOf(const void* p) noexcept {
            return reinterpret_cast<uintptr_t>(p) / kSlabBytes;
        }
        size_t Home(uintptr_t window) const noexcept {
            return size_t((window * 0x9E3779B97F4A7C15ull) >> (64 - m_nBits));
        }
        uint32_t StartingIn(const CSlab* pSlabs, uintptr_t window) const noexcept;
        // A new, empty table for cSlabs; the old one stays when none can be had.
        bool MakeRoom(size_t cSlabs) noexcept;

        uint32_t* m_piEntries = nullptr;
        size_t m_cEntries = 0;  // a power of two, or 0
        unsigned m_nBits = 0;   // log2 of m_cEntries
    };
    struct CClass {
        mutable CSpinLock lock;
        uint32_t iPartial = kNoSlab;  // slabs with free blocks, which are handed out first
        char* pBump = nullptr;        // the never-used rest of the newest slab
        char* pEnd = nullptr;
        CSlab* pSlabs = nullptr;  // oldest first: the last is the newest, being carved
        size_t cSlabs = 0;
        size_t cSlabRoom = 0;
        CSlabTable table;  // every slab, by address
        size_t cLive = 0;
    };
    static constexpr size_t kClasses = kMaxBlock / kGranule;

    static size_t ClassOf(size_t cb) { return (cb + kGranule - 1) / kGranule - 1; }
    bool AddSlab(CClass& cls, size_t cbBlock) noexcept;
    // Keeps the slabs whose index passes fKeep, in order, gives the others back, and remakes the
    // class's partial list and table.
    template <class Keep>
    void KeepSlabs(CClass& cls, Keep fKeep) noexcept;
    void ReleaseSlabsButNewest(CClass& cls) noexcept;
    void TrimClass(CClass& cls) noexcept;
    // A count of every class added up, each read under its class's lock.
    size_t SumOverClasses(size_t CClass::*pCount) const noexcept;

    SlabAllocate m_pfnAllocate;
    SlabFree m_pfnFree;
    std::array<CClass, kClasses> m_classes;
};

// Class-level operators that put an object in the shared pool. A class derives from it (it adds no
// bytes); its deleting destructor passes the object's real size, so a derived class is pooled too.
// Sanitizer builds use the general heap, so every object stays visible to the address and leak
// checks, which a slab that holds many objects would hide.
class CPooledObject {
public:
    static void* operator new(size_t cb);
    static void* operator new(size_t cb, const std::nothrow_t&) noexcept;
    static void operator delete(void* p, size_t cb) noexcept;

    // Blocks of the shared pool whose size the caller keeps.
    static void* AllocateBytes(size_t cb) noexcept;
    static void FreeBytes(void* p, size_t cb) noexcept;

    // Test seam: after the next nSkip successful allocations, the following one fails as if memory
    // were exhausted; -1 (the start value) turns it off.
    static void SetFailureAfter(int nSkip) noexcept;
};

// The small-block pool: size classes, reuse, slab release, failure, release from other threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/DrawerMapList.h"
#include "engine/SmallBlockPool.h"
#include "tests/engine/EngineTestSupport.h"

using namespace enginetest;

namespace {

// A slab source that fails on request and counts what is outstanding; a test that uses it makes
// one first, which starts it afresh.
struct CountingSlabs {
    static inline std::atomic<int> s_nOut{0};
    static inline std::atomic<bool> s_fFail{false};
    static void* Allocate(size_t cb) { return s_fFail ? nullptr : (++s_nOut, std::malloc(cb)); }
    static void Free(void* p) {
        s_nOut -= (p != nullptr);
        std::free(p);
    }
    CountingSlabs() {
        s_nOut = 0;
        s_fFail = false;
    }
    ~CountingSlabs() { s_fFail = false; }
};

constexpr size_t kWindow = CSmallBlockPool::kSlabBytes;

// Slabs handed out at chosen places of an arena, whose freeing is only recorded.
struct ArenaSlabs {
    static inline char* s_pArena = nullptr;
    static inline size_t s_iNext = 0;
    static inline std::vector<void*> s_given;
    static inline std::vector<void*> s_back;
    // Out of address order: one spilling into the window where the next starts after it, one
    // exactly on a window, one at an odd 16-byte offset.
    static constexpr size_t kOffsets[4] = {2 * kWindow + 0x9000, kWindow + 0x8000, 4 * kWindow,
                                           5 * kWindow + 0x10};
    static void* Allocate(size_t) {
        if (s_iNext == 4) {
            return nullptr;
        }
        s_given.push_back(s_pArena + kOffsets[s_iNext++]);
        return s_given.back();
    }
    static void Free(void* p) { s_back.push_back(p); }
};

}  // namespace

TEST(SmallBlockPool, BlocksOfEveryClassAreDistinctAlignedAndKeepTheirBytes) {
    CountingSlabs slabs;
    {
        CSmallBlockPool pool(&CountingSlabs::Allocate, &CountingSlabs::Free);
        struct Block {
            void* p;
            size_t cb;
            uint8_t tag;
        };
        std::vector<Block> blocks;
        std::mt19937 rng(7);
        // Enough blocks that several classes need more than one slab; sizes across every class and
        // beyond the largest, which pass through to the slab source.
        for (int i = 0; i < 40000; ++i) {
            const size_t cb = 1 + rng() % (CSmallBlockPool::kMaxBlock + 64);
            void* p = pool.Allocate(cb);
            ASSERT_NE(nullptr, p);
            EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(p) % 8) << cb;
            std::memset(p, uint8_t(i), cb);
            blocks.push_back({p, cb, uint8_t(i)});
        }
        const auto cLarge = std::count_if(blocks.begin(), blocks.end(),
                                          [](const Block& b) { return b.cb > CSmallBlockPool::kMaxBlock; });
        EXPECT_EQ(blocks.size() - size_t(cLarge), pool.LiveBlocks());
        // Every byte of every block is its tag: blocks that overlap would have overwritten each other's.
        auto expectStamps = [&] {
            for (const Block& b : blocks) {
                const auto* p = static_cast<const uint8_t*>(b.p);
                ASSERT_TRUE(std::all_of(p, p + b.cb, [&](uint8_t x) { return x == b.tag; })) << b.cb;
            }
        };
        expectStamps();
        // Give back every other block and refill: the new blocks must not overlap the kept ones.
        for (size_t i = 0; i < blocks.size(); i += 2) {
            pool.Free(blocks[i].p, blocks[i].cb);
            blocks[i].p = pool.Allocate(blocks[i].cb);
            ASSERT_NE(nullptr, blocks[i].p);
            blocks[i].tag = uint8_t(~blocks[i].tag);
            std::memset(blocks[i].p, blocks[i].tag, blocks[i].cb);
        }
        expectStamps();
        for (const Block& b : blocks) {
            pool.Free(b.p, b.cb);
        }
        EXPECT_EQ(0u, pool.LiveBlocks());
    }
    EXPECT_EQ(0, CountingSlabs::s_nOut.load());  // the destructor gave every slab back
}

TEST(SmallBlockPool, FreedBlocksAreReusedSlabsGoBackExceptOneAndAFailingSourceGivesNull) {
    CSmallBlockPool reuse;
    void* p41 = reuse.Allocate(41);
    reuse.Free(p41, 41);
    void* p48 = reuse.Allocate(48);  // 41 and 48 are one 48-byte class, and a freed block comes first
    EXPECT_EQ(p41, p48);
    void* p49 = reuse.Allocate(49);
    EXPECT_NE(p48, p49);
    // A block is at least as far from its neighbour as its class is large.
    void* pNext = reuse.Allocate(48);
    EXPECT_GE(std::abs(static_cast<char*>(pNext) - static_cast<char*>(p48)), 48);
    reuse.Free(p48, 48);
    reuse.Free(p49, 49);
    reuse.Free(pNext, 48);
    EXPECT_EQ(0u, reuse.LiveBlocks());

    CountingSlabs slabs;
    CSmallBlockPool pool(&CountingSlabs::Allocate, &CountingSlabs::Free);
    const size_t cBlocks = 3 * CSmallBlockPool::kSlabBytes / 64;
    std::vector<void*> blocks;
    for (size_t i = 0; i < cBlocks; ++i) {
        blocks.push_back(pool.Allocate(64));
    }
    EXPECT_GE(pool.SlabCount(), 3u);
    // While any block of the class lives, its slabs stay.
    for (size_t i = 1; i < cBlocks; ++i) {
        pool.Free(blocks[i], 64);
    }
    EXPECT_GE(pool.SlabCount(), 3u);
    pool.Free(blocks[0], 64);
    EXPECT_EQ(1u, pool.SlabCount());
    EXPECT_EQ(1, CountingSlabs::s_nOut.load());
    // The kept slab serves the next round without fetching another, even from a failing source; a
    // class without a slab, and a block too large for any, get none then, and the pool recovers.
    CountingSlabs::s_fFail = true;
    void* p = pool.Allocate(64);
    EXPECT_NE(nullptr, p);
    EXPECT_EQ(nullptr, pool.Allocate(24));
    EXPECT_EQ(nullptr, pool.Allocate(CSmallBlockPool::kMaxBlock + 1));
    EXPECT_EQ(1, CountingSlabs::s_nOut.load());
    EXPECT_EQ(1u, pool.LiveBlocks());
    CountingSlabs::s_fFail = false;
    void* q = pool.Allocate(24);
    ASSERT_NE(nullptr, q);
    pool.Free(p, 64);
    pool.Free(q, 24);
    pool.Free(nullptr, 24);  // ignored
    EXPECT_EQ(0u, pool.LiveBlocks());
}

// Whichever thread gives a block back, while other threads allocate, nothing may be lost or handed
// out twice.
TEST(SmallBlockPool, BlocksMadeOnOneThreadAreReleasedOnAnother) {
    CSmallBlockPool pool;
    constexpr int kThreads = 4;
    constexpr int kRounds = 20000;
    std::vector<std::thread> threads;
    std::atomic<bool> fBad{false};
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            std::vector<void*> mine;
            for (int i = 0; i < kRounds; ++i) {
                const size_t cb = 8 + (i % 5) * 8;
                auto* p = static_cast<uint32_t*>(pool.Allocate(cb));
                if (p == nullptr) {
                    fBad = true;
                    return;
                }
                *p = uint32_t(t * kRounds + i);
                mine.push_back(p);
            }
            // No other thread may have been handed one of these blocks meanwhile.
            for (int i = 0; i < kRounds; ++i) {
                fBad = fBad || *static_cast<uint32_t*>(mine[i]) != uint32_t(t * kRounds + i);
                pool.Free(mine[i], 8 + (i % 5) * 8);
            }
        });
    }
    for (std::thread& th : threads) {
        th.join();
    }
    EXPECT_FALSE(fBad.load());
    EXPECT_EQ(0u, pool.LiveBlocks());

    // Made on one thread, released on another.
    std::vector<void*> made(5000);
    std::thread maker([&] {
        for (void*& p : made) {
            p = pool.Allocate(56);
        }
    });
    maker.join();
    std::thread releaser([&] {
        for (void* p : made) {
            pool.Free(p, 56);
        }
    });
    releaser.join();
    EXPECT_EQ(0u, pool.LiveBlocks());
}

TEST(SmallBlockPool, TrimGivesBackWhollyFreeSlabsAndKeepsPartlyUsedOnesServing) {
    CountingSlabs slabs;
    CSmallBlockPool pool(&CountingSlabs::Allocate, &CountingSlabs::Free);
    const size_t cPerSlab = CSmallBlockPool::kSlabBytes / 64 - 1;  // fewer than a slab holds
    std::vector<void*> blocks;
    for (size_t i = 0; i < 4 * cPerSlab + 10; ++i) {
        blocks.push_back(pool.Allocate(64));
    }
    void* pOther = pool.Allocate(24);  // another class, untouched by the trim
    ASSERT_EQ(6, CountingSlabs::s_nOut.load());
    // One block stays in use in the first and in the third slab; the second and fourth become free.
    std::vector<void*> kept = {blocks[3], blocks[2 * cPerSlab + 5]};
    std::shuffle(blocks.begin(), blocks.end(), std::mt19937(3));
    for (void* p : blocks) {
        if (std::find(kept.begin(), kept.end(), p) == kept.end()) {
            pool.Free(p, 64);
        }
    }
    for (void* p : kept) {
        std::memset(p, 0xAB, 64);
    }
    EXPECT_EQ(6u, pool.SlabCount());
    pool.Trim();
    EXPECT_EQ(4u, pool.SlabCount());  // the two partly used, the newest, and the other class's
    EXPECT_EQ(4, CountingSlabs::s_nOut.load());
    pool.Trim();
    EXPECT_EQ(4u, pool.SlabCount());

    // The free blocks left are those of the kept slabs: handed out again, they are distinct, none is
    // a kept block, and they fill the kept slabs before another is fetched.
    std::set<void*> again;
    for (size_t i = 0; i < 3 * cPerSlab - 12; ++i) {
        void* p = pool.Allocate(64);
        ASSERT_NE(nullptr, p);
        std::memset(p, 0, 64);
        EXPECT_TRUE(again.insert(p).second);
    }
    EXPECT_EQ(4, CountingSlabs::s_nOut.load());
    for (void* p : kept) {
        EXPECT_EQ(0u, again.count(p));
        EXPECT_TRUE(
            std::all_of(static_cast<BYTE*>(p), static_cast<BYTE*>(p) + 64, [](BYTE b) { return b == 0xAB; }));
    }
    for (void* p : again) {
        pool.Free(p, 64);
    }
    for (void* p : kept) {
        pool.Free(p, 64);
    }
    pool.Free(pOther, 24);
    EXPECT_EQ(0u, pool.LiveBlocks());
    EXPECT_EQ(2u, pool.SlabCount());
}

// Slabs need not be aligned: a slab's blocks spill into the next 64 KB window of the address space,
// where another slab of the class may start, before or after them. Each block must still be counted
// against its own slab, or a trim would give back a slab in use and keep a free one.
TEST(SmallBlockPool, BlocksAreCountedAgainstTheirOwnSlabWhereverSlabsLie) {
    std::unique_ptr<char, decltype(&std::free)> arena(
        static_cast<char*>(std::aligned_alloc(kWindow, 7 * kWindow)), &std::free);
    ASSERT_NE(nullptr, arena);
    ArenaSlabs::s_pArena = arena.get();
    {
        CSmallBlockPool pool(&ArenaSlabs::Allocate, &ArenaSlabs::Free);
        std::vector<std::vector<void*>> bySlab(4);
        const size_t cPerSlab = CSmallBlockPool::kSlabBytes / 64 - 1;
        for (size_t i = 0; i < 4 * cPerSlab; ++i) {
            char* p = static_cast<char*>(pool.Allocate(64));
            ASSERT_NE(nullptr, p);
            const auto it =
                std::find_if(ArenaSlabs::s_given.begin(), ArenaSlabs::s_given.end(), [p](void* pSlab) {
                    return p >= static_cast<char*>(pSlab) && p + 64 <= static_cast<char*>(pSlab) + kWindow;
                });
            ASSERT_NE(ArenaSlabs::s_given.end(), it);
            std::memset(p, int(it - ArenaSlabs::s_given.begin()), 64);
            bySlab[size_t(it - ArenaSlabs::s_given.begin())].push_back(p);
        }
        ASSERT_EQ(4u, ArenaSlabs::s_given.size());
        // The first slab's and the third's blocks come back, shuffled: those two slabs are wholly free.
        std::vector<void*> back = bySlab[1];
        back.insert(back.end(), bySlab[2].begin(), bySlab[2].end());
        std::shuffle(back.begin(), back.end(), std::mt19937(5));
        for (void* p : back) {
            pool.Free(p, 64);
        }
        pool.Trim();
        EXPECT_EQ((std::set<void*>{ArenaSlabs::s_given[1], ArenaSlabs::s_given[2]}),
                  std::set<void*>(ArenaSlabs::s_back.begin(), ArenaSlabs::s_back.end()));
        for (size_t iSlab : {0, 3}) {
            for (void* p : bySlab[iSlab]) {
                const auto* pb = static_cast<const uint8_t*>(p);
                ASSERT_TRUE(std::all_of(pb, pb + 64, [&](uint8_t b) { return b == uint8_t(iSlab); }));
                pool.Free(p, 64);
            }
        }
        EXPECT_EQ(0u, pool.LiveBlocks());
        EXPECT_EQ(1u, pool.SlabCount());
    }
    EXPECT_EQ(ArenaSlabs::s_given.size(), ArenaSlabs::s_back.size());

    // Many slabs of one class, found again after the class's lookup has grown and after a trim.
    CountingSlabs counting;
    CSmallBlockPool pool(&CountingSlabs::Allocate, &CountingSlabs::Free);
    std::vector<void*> blocks(100 * (CSmallBlockPool::kSlabBytes / 64 - 1));
    for (void*& p : blocks) {
        p = pool.Allocate(64);
        ASSERT_NE(nullptr, p);
    }
    EXPECT_EQ(100, CountingSlabs::s_nOut.load());
    std::shuffle(blocks.begin(), blocks.end(), std::mt19937(11));
    for (size_t i = 0; i < blocks.size(); ++i) {
        pool.Free(blocks[i], 64);
        if (i == blocks.size() / 2) {
            pool.Trim();
        }
    }
    EXPECT_EQ(0u, pool.LiveBlocks());
    EXPECT_EQ(1, CountingSlabs::s_nOut.load());
}

// A dropped search result gives its memory back even while a small object of another result, of the
// same size classes, still lives.
TEST(PooledObjects, ReleasingALargeResultGivesItsSlabsBackWhileAnotherResultLives) {
    auto FileInto = [](CDrawerMapList* pList, int nItems) {
        RowBuilder shape;
        shape.Long(0).String("");
        CDrawerMap* pMap = nullptr;
        ASSERT_EQ(S_OK, pList->AddEntry(&pMap, shape.Columns()));
        for (int i = 0; i < nItems; ++i) {
            RowBuilder row;
            row.Long(i % 100).String(("subject " + std::to_string(i)).c_str());
            FileEntry(pMap, row.Row(), row.Columns(), ULONG(i + 1), "subject");
        }
        pMap->Release();
    };
    CSmallBlockPool& pool = CSmallBlockPool::Shared();
    auto* pSmall = new CDrawerMapList(0, 10);
    pSmall->AddRef();
    FileInto(pSmall, 1);
    const size_t cBefore = pool.SlabCount();
    auto* pLarge = new CDrawerMapList(0, 10);
    pLarge->AddRef();
    FileInto(pLarge, 30000);
    const size_t cPeak = pool.SlabCount();
    if (cPeak == cBefore) {
        pLarge->Release();
        pSmall->Release();
        GTEST_SKIP() << "the index's objects come from the general heap in this build";
    }
    pLarge->Release();
    // Each class may keep the slab it carves from; everything else of the large result goes.
    EXPECT_LT(pool.SlabCount() - cBefore, (cPeak - cBefore) / 10) << cPeak - cBefore << " slabs at the peak";
    pSmall->Release();
}

// The index's objects live in the shared pool (or, in sanitizer builds, the general heap); a
// failed allocation is reported as exhausted memory by each operation that makes one.
TEST(PooledObjects, FailedAllocationsAreOutOfMemoryAndChangeNothing) {
    RowBuilder row;
    row.String("label").Long(3);
    LPSPropTagArray lpColumns = row.Columns();

    CPooledObject::SetFailureAfter(0);
    EXPECT_EQ(nullptr, new (std::nothrow) CSortDrawer());
    CPooledObject::SetFailureAfter(0);
    EXPECT_EQ(nullptr, new (std::nothrow) CEntryReference(1));
    CPooledObject::SetFailureAfter(0);
    CDrawerMap* pMap = reinterpret_cast<CDrawerMap*>(0x1);
    EXPECT_EQ(E_OUTOFMEMORY, CDrawerMap::CreateDrawerMap(lpColumns, 0, &pMap));
    EXPECT_EQ(nullptr, pMap);
    CPooledObject::SetFailureAfter(-1);

    // The entry reference's copy of its ids.
    BYTE id[4] = {1, 2, 3, 4};
    const SBinary key{4, id};
    CEntryReference* pRef = NewEntry(1);
    CPooledObject::SetFailureAfter(0);
    EXPECT_EQ(E_OUTOFMEMORY, pRef->Init(&key, 0, 0, &key, FILETIME{}, "subject"));
    CPooledObject::SetFailureAfter(-1);
    LPSTR lpszSubject = nullptr;
    EXPECT_EQ(S_OK, pRef->GetSubjectLine(&lpszSubject));
    EXPECT_EQ(nullptr, lpszSubject);

    // A drawer that cannot grow refuses the entry and keeps the ones it has.
    CSortDrawer* pDrawer = NewDrawer(row.Row());
    ASSERT_EQ(S_OK, pDrawer->Insert(pRef));
    CEntryReference* pSecond = NewEntry(2);
    CPooledObject::SetFailureAfter(0);
    EXPECT_EQ(E_OUTOFMEMORY, pDrawer->Insert(pSecond));
    CPooledObject::SetFailureAfter(-1);
    EXPECT_EQ(1u, pDrawer->GetCount());
    EXPECT_EQ(1u, RefCount(pSecond));
    ASSERT_EQ(S_OK, pDrawer->Insert(pSecond));
    EXPECT_EQ(2u, pDrawer->GetCount());

    // A lower level that cannot be made fails the filing and leaves the index without the label.
    pMap = MakeIndex(lpColumns);
    CPooledObject::SetFailureAfter(0);
    EXPECT_EQ(E_OUTOFMEMORY, pMap->InsertDrawer(&row.Row(), 0, lpColumns, &pDrawer));
    CPooledObject::SetFailureAfter(-1);
    EXPECT_TRUE(Walk(pMap).empty());
    EXPECT_EQ(1u, RefCount(pDrawer));
    ASSERT_EQ(S_OK, pMap->InsertDrawer(&row.Row(), 0, lpColumns, &pDrawer));
    EXPECT_EQ((std::vector<CSortDrawer*>{pDrawer}), Walk(pMap));

    pMap->Release();
    pDrawer->Release();
    pSecond->Release();
    pRef->Release();
}

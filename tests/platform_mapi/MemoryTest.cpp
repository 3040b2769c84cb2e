// Linked MAPI memory, row-set release, initialisation balance and allocation faults.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/mapi/BufferRoom.h"
#include "platform/mapi/MAPITestHooks.h"
#include "platform/mapi/MAPIX.h"
#include "platform/mapi/PropCell.h"

namespace {

TEST(MapiMemory, ForeignPointersAndImpossibleSizesAreRefusedAndArmedFaultsFireOnceEvenFromRoom) {
    EXPECT_EQ(S_OK, static_cast<HRESULT>(MAPIFreeBuffer(nullptr)));
    LPVOID root = nullptr;
    ASSERT_EQ(S_OK, MAPIAllocateBuffer(8, &root));
    LPVOID more = nullptr;
    ASSERT_EQ(S_OK, MAPIAllocateMore(8, root, &more));
    // Freeing a linked block on its own would leave its buffer's chain dangling.
    EXPECT_EQ(MAPI_E_INVALID_PARAMETER, static_cast<HRESULT>(MAPIFreeBuffer(more)));
    alignas(16) BYTE stack[64] = {};
    EXPECT_EQ(MAPI_E_INVALID_PARAMETER, MAPIAllocateMore(8, stack + 32, &more));
    EXPECT_EQ(nullptr, more);
    EXPECT_EQ(MAPI_E_INVALID_PARAMETER, MAPIAllocateMore(8, nullptr, &more));
    EXPECT_EQ(MAPI_E_INVALID_PARAMETER, MAPIAllocateBuffer(8, nullptr));
    MAPIFreeBuffer(root);
    ASSERT_EQ(S_OK, qrvmapi::AllocateBufferWithRoom(8, 1024, &root));
    LPVOID block = reinterpret_cast<LPVOID>(1);
    EXPECT_EQ(MAPI_E_NOT_ENOUGH_MEMORY, MAPIAllocateMore(0xFFFFFFFFu, root, &block));
    EXPECT_EQ(nullptr, block);
    LPVOID huge = reinterpret_cast<LPVOID>(1);
    EXPECT_EQ(MAPI_E_NOT_ENOUGH_MEMORY, MAPIAllocateBuffer(0xFFFFFFF8u, &huge));
    EXPECT_EQ(nullptr, huge);
    EXPECT_EQ(MAPI_E_NOT_ENOUGH_MEMORY, qrvmapi::AllocateBufferWithRoom(8, size_t(1) << 40, &huge));
    // An armed fault counts both kinds of allocation and fires once. The room would serve the
    // failing block without the heap, but the fault must fire all the same: the tests of callers'
    // failure paths depend on it.
    CMAPITestHooks::FailAllocation(2);
    LPVOID other = nullptr;
    EXPECT_EQ(S_OK, MAPIAllocateBuffer(4, &other));
    EXPECT_EQ(MAPI_E_NOT_ENOUGH_MEMORY, MAPIAllocateMore(8, root, &block));
    EXPECT_EQ(nullptr, block);
    EXPECT_EQ(S_OK, MAPIAllocateMore(8, root, &block));
    MAPIFreeBuffer(other);
    CMAPITestHooks::FailAllocation(1);
    EXPECT_EQ(MAPI_E_NOT_ENOUGH_MEMORY, qrvmapi::AllocateBufferWithRoom(8, 64, &huge));
    CMAPITestHooks::Reset();
    MAPIFreeBuffer(root);
}

// Linked blocks are cut from room the buffer keeps, and from chunks when that runs out. Every
// block must still be its own: zeroed, aligned, never overlapping another, freed with its buffer.
TEST(MapiMemory, ManyLinkedBlocksStayDistinctZeroedAndAlignedAcrossRoomAndChunks) {
    const LONG before = CMAPITestHooks::LiveBuffers();
    for (size_t room : {size_t(0), size_t(100), size_t(4096)}) {
        LPVOID root = nullptr;
        ASSERT_EQ(S_OK, qrvmapi::AllocateBufferWithRoom(24, room, &root));
        std::memset(root, 0xEE, 24);
        std::vector<std::pair<BYTE*, ULONG>> blocks;
        LPVOID parent = root;
        for (ULONG i = 0; i < 300; ++i) {
            // Sizes from 0 up, with a large block now and then that needs a chunk of its own.
            const ULONG cb = i % 50 == 49 ? 70000 : (i * 7) % 200;
            LPVOID block = nullptr;
            ASSERT_EQ(S_OK, MAPIAllocateMore(cb, parent, &block)) << i;
            ASSERT_NE(nullptr, block);
            EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(block) % 16) << i;
            for (ULONG b = 0; b < cb; ++b) {
                ASSERT_EQ(0, static_cast<BYTE*>(block)[b]) << i << " byte " << b;
            }
            std::memset(block, static_cast<int>(i & 0xFF), cb);
            blocks.emplace_back(static_cast<BYTE*>(block), cb);
            parent = i % 3 == 0 ? block : root;  // linked blocks serve as parents too
        }
        // Nothing written later spilled into an earlier block, nor into the buffer's own bytes.
        for (ULONG i = 0; i < blocks.size(); ++i) {
            for (ULONG b = 0; b < blocks[i].second; ++b) {
                ASSERT_EQ(static_cast<BYTE>(i & 0xFF), blocks[i].first[b]) << i << " byte " << b;
            }
        }
        EXPECT_EQ(0xEE, static_cast<BYTE*>(root)[23]);
        EXPECT_EQ(before + 1, CMAPITestHooks::LiveBuffers());
        // A block cut from room is still a linked block: freeing it alone is refused.
        EXPECT_EQ(MAPI_E_INVALID_PARAMETER, static_cast<HRESULT>(MAPIFreeBuffer(blocks[1].first)));
        EXPECT_EQ(S_OK, static_cast<HRESULT>(MAPIFreeBuffer(root)));
        EXPECT_EQ(before, CMAPITestHooks::LiveBuffers());
    }
}

// The room asked for a value array is what its values take: a buffer with that much room holds
// them all, so a row of a table or an item's values costs one heap block.
TEST(MapiMemory, RoomReckonedForCellsHoldsTheirValues) {
    using qrvmapi::CPropCell;
    const std::vector<std::string> parts = {"", "one", "zwei \xC3\xBC\xC3\x9F", std::string(300, 'x')};
    std::vector<std::pair<CPropCell, ULONG>> cells = {
        {CPropCell::Text(PR_SUBJECT_A, "a subject"), PR_SUBJECT_A},
        {CPropCell::Text(PR_SUBJECT_A,
                         "gr\xC3\xBC\xC3\x9F"
                         "e \xE2\x82\xAC"),
         PR_SUBJECT_W},
        {CPropCell::Text(PR_BODY_A, std::string(5000, 'b')), PR_BODY_A},
        {CPropCell::Binary(PR_ENTRYID, std::string(48, '\x01')), PR_ENTRYID},
        {CPropCell::Binary(PR_ENTRYID, std::string()), PR_ENTRYID},
        {CPropCell::Long(PR_IMPORTANCE, 2), PR_IMPORTANCE},
        {CPropCell::Binary(PROP_TAG(PT_MV_STRING8, 0x8001), qrvmapi::PackVariable(parts)),
         PROP_TAG(PT_MV_STRING8, 0x8001)},
        {CPropCell::Binary(PROP_TAG(PT_MV_STRING8, 0x8001), qrvmapi::PackVariable(parts)),
         PROP_TAG(PT_MV_UNICODE, 0x8001)},
    };
    const LONG values[3] = {1, 2, 3};
    CPropCell longs = CPropCell::Binary(PROP_TAG(PT_MV_LONG, 0x8002), qrvmapi::PackFixed(values, 3, 4));
    cells.emplace_back(longs, PROP_TAG(PT_MV_LONG, 0x8002));
    size_t room = 0;
    for (const auto& [cell, wanted] : cells) {
        room += qrvmapi::LinkedRoomOfCell(cell, wanted, 0);
    }
    const ULONG cb = static_cast<ULONG>(cells.size() * sizeof(SPropValue));
    LPSPropValue props = nullptr;
    ASSERT_EQ(S_OK, qrvmapi::AllocateBufferWithRoom(cb, room, reinterpret_cast<LPVOID*>(&props)));
    const BYTE* low = reinterpret_cast<const BYTE*>(props);
    const BYTE* high = low + cb + room + 16;
    auto inside = [&](const void* p) {
        return p == nullptr || (static_cast<const BYTE*>(p) >= low && static_cast<const BYTE*>(p) < high);
    };
    for (size_t i = 0; i < cells.size(); ++i) {
        ASSERT_EQ(S_OK, qrvmapi::ValueFromCell(cells[i].first, cells[i].second, 0, props, props[i]));
        ASSERT_NE(PT_ERROR, PROP_TYPE(props[i].ulPropTag)) << i;
    }
    EXPECT_TRUE(inside(props[0].Value.lpszA));
    EXPECT_STREQ("a subject", props[0].Value.lpszA);
    EXPECT_TRUE(inside(props[1].Value.lpszW));
    EXPECT_EQ(u"gr\u00FC\u00DFe \u20AC", std::u16string(props[1].Value.lpszW));
    EXPECT_TRUE(inside(props[2].Value.lpszA));
    EXPECT_TRUE(inside(props[3].Value.bin.lpb));
    EXPECT_EQ(0u, props[4].Value.bin.cb);
    for (size_t i : {size_t(6), size_t(7)}) {
        ASSERT_EQ(parts.size(), props[i].Value.MVszA.cValues);
        EXPECT_TRUE(inside(props[i].Value.MVszA.lppszA));
        for (size_t k = 0; k < parts.size(); ++k) {
            EXPECT_TRUE(inside(props[i].Value.MVszA.lppszA[k])) << i << " " << k;
        }
    }
    EXPECT_EQ(std::string(300, 'x'), props[6].Value.MVszA.lppszA[3]);
    EXPECT_TRUE(inside(props[8].Value.MVl.lpl));
    EXPECT_EQ(3, props[8].Value.MVl.lpl[2]);
    MAPIFreeBuffer(props);
}

TEST(MapiInitialize, IsCountedAndGuardsLogonAndAdministration) {
    ASSERT_EQ(0, CMAPITestHooks::InitializeBalance());
    LPMAPISESSION session = nullptr;
    EXPECT_EQ(MAPI_E_NOT_INITIALIZED, MAPILogonEx(0, "any", nullptr, MAPI_NEW_SESSION, &session));
    LPPROFADMIN admin = nullptr;
    EXPECT_EQ(MAPI_E_NOT_INITIALIZED, MAPIAdminProfiles(0, &admin));
    EXPECT_EQ(S_OK, MAPIInitialize(nullptr));
    EXPECT_EQ(S_OK, MAPIInitialize());
    EXPECT_EQ(2, CMAPITestHooks::InitializeBalance());
    MAPIUninitialize();
    EXPECT_EQ(1, CMAPITestHooks::InitializeBalance());
    MAPIUninitialize();
    EXPECT_EQ(0, CMAPITestHooks::InitializeBalance());
    // One too many leaves the service uninitialised, not below it, but the balance shows it: a
    // caller that uninitialises what it never initialised must not pass the balance checks. In a
    // child process, so that the excess does not stay with the tests after this one.
    EXPECT_EXIT(
        {
            MAPIUninitialize();
            const bool bShown = CMAPITestHooks::InitializeBalance() == -1;
            MAPIInitialize(nullptr);
            const bool bUsable = SUCCEEDED(MAPIAdminProfiles(0, &admin));
            std::_Exit(bShown && bUsable ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(0, CMAPITestHooks::InitializeBalance());
}

}  // namespace

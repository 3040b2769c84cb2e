// Linked MAPI memory, row-set release, initialisation balance and allocation faults.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

#include "platform/mapi/MAPITestHooks.h"
#include "platform/mapi/MAPIX.h"

namespace {

TEST(MapiMemory, LinkedBlocksAreFreedWithTheirBufferAndAreAlignedAndZeroed) {
    LONG before = CMAPITestHooks::LiveBuffers();
    LPVOID root = nullptr;
    ASSERT_EQ(S_OK, MAPIAllocateBuffer(40, &root));
    EXPECT_EQ(before + 1, CMAPITestHooks::LiveBuffers());
    LPVOID more = nullptr;
    ASSERT_EQ(S_OK, MAPIAllocateMore(24, root, &more));
    LPVOID deeper = nullptr;
    // A linked block may serve as the parent of further ones: they join the same buffer.
    ASSERT_EQ(S_OK, MAPIAllocateMore(7, more, &deeper));
    for (LPVOID p : {root, more, deeper}) {
        EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(p) % 16);
    }
    EXPECT_EQ(0, static_cast<BYTE*>(more)[23]);
    EXPECT_EQ(before + 1, CMAPITestHooks::LiveBuffers());
    EXPECT_EQ(S_OK, static_cast<HRESULT>(MAPIFreeBuffer(root)));
    EXPECT_EQ(before, CMAPITestHooks::LiveBuffers());
}

TEST(MapiMemory, NullAndForeignPointersAreRefusedNotFreed) {
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
}

TEST(MapiMemory, FreeProwsReleasesEveryRowAndToleratesNull) {
    LONG before = CMAPITestHooks::LiveBuffers();
    FreeProws(nullptr);
    LPSRowSet rows = nullptr;
    ASSERT_EQ(S_OK,
              MAPIAllocateBuffer(static_cast<ULONG>(CbNewSRowSet(3)), reinterpret_cast<LPVOID*>(&rows)));
    rows->cRows = 3;
    for (ULONG i = 0; i < 3; ++i) {
        ASSERT_EQ(S_OK,
                  MAPIAllocateBuffer(sizeof(SPropValue), reinterpret_cast<LPVOID*>(&rows->aRow[i].lpProps)));
        rows->aRow[i].cValues = 1;
        LPVOID text = nullptr;
        ASSERT_EQ(S_OK, MAPIAllocateMore(6, rows->aRow[i].lpProps, &text));
    }
    EXPECT_EQ(before + 4, CMAPITestHooks::LiveBuffers());
    FreeProws(rows);
    EXPECT_EQ(before, CMAPITestHooks::LiveBuffers());
}

TEST(MapiMemory, NthAllocationFailsOnceWhenArmed) {
    CMAPITestHooks::FailAllocation(2);
    LPVOID first = nullptr, second = nullptr, third = nullptr;
    EXPECT_EQ(S_OK, MAPIAllocateBuffer(4, &first));
    EXPECT_EQ(MAPI_E_NOT_ENOUGH_MEMORY, MAPIAllocateMore(4, first, &second));
    EXPECT_EQ(nullptr, second);
    EXPECT_EQ(S_OK, MAPIAllocateMore(4, first, &third));
    MAPIFreeBuffer(first);
    CMAPITestHooks::Reset();
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

TEST(MapiDefs, TagMacrosAndLayoutMatchTheWellKnownValues) {
    EXPECT_EQ(0x0037001Eu, PR_SUBJECT);
    EXPECT_EQ(0x0037001Fu, PR_SUBJECT_W);
    EXPECT_EQ(0x36020003u, PROP_TAG(PT_LONG, 0x3602));
    EXPECT_EQ(0x3602u, PROP_ID(PR_CONTENT_COUNT));
    EXPECT_EQ(PT_BINARY, PROP_TYPE(PR_ENTRYID));
    EXPECT_EQ(0x3001000Au, CHANGE_PROP_TYPE(PR_DISPLAY_NAME_A, PT_ERROR));
    EXPECT_EQ(0x36D81102u, PR_ADDITIONAL_REN_ENTRYIDS);
    EXPECT_EQ(static_cast<HRESULT>(0x8004011D), MAPI_E_FAILONEPROVIDER);
    EXPECT_EQ(0x00040680, MAPI_W_PARTIAL_COMPLETION);
    EXPECT_EQ(0x108032u,
              MAPI_NEW_SESSION | MAPI_EXPLICIT_PROFILE | MAPI_EXTENDED | MAPI_NO_MAIL | MAPI_TIMEOUT_SHORT);
    // The value sits after the tag and a pad, so every value member starts 8 bytes in.
    EXPECT_EQ(8u, offsetof(SPropValue, Value));
    SPropValue value{};
    value.Value.cur.int64 = 0x0000000100000002LL;
    EXPECT_EQ(2u, value.Value.cur.Lo);
    EXPECT_EQ(1, value.Value.cur.Hi);
}

}  // namespace

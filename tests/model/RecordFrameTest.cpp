// The version frame that store, folder and property-list records share: refusals, traces, round trips.
#include <gtest/gtest.h>

#include <string>

#include "model/FolderInfo.h"
#include "model/StdPropList.h"
#include "model/StoreInfo.h"
#include "tests/model/PropTestSupport.h"

using namespace proptest;

namespace {

const BYTE STORE_KEY[] = {0x10, 0x11, 0x12};
const BYTE INSTANCE_KEY[] = {0x20, 0x21};
const BYTE FOLDER_KEY[] = {0xA0, 0xA1};

// Loads a wrong version and every cut of the record's saved body into it, then the whole body.
void CheckFrame(CObject& object) {
    const std::string saved = SerializeTo(object);
    ASSERT_GE(saved.size(), 4u);
    EXPECT_EQ(ToHex(Hex("01 00 00 00")), ToHex(saved.substr(0, 4)));

    TraceCapture trace;
    std::string wrong = saved;
    wrong[0] = 2;
    EXPECT_EQ("notsupported", Outcome([&] { SerializeFrom(object, wrong); }));
    EXPECT_TRUE(trace.Contains("Invalid archive version 2!\n"));
    EXPECT_TRUE(trace.Contains("Failed to load contents!\n"));
    EXPECT_FALSE(trace.Contains("Failed to store contents!\n"));

    // Every cut fails with the archive's end of file, or a bad class where it cuts a class name
    // (the sanitizer run checks that nothing read before it leaks); the whole record still loads.
    for (size_t n = 0; n < saved.size(); ++n) {
        const std::string outcome = Outcome([&] { SerializeFrom(object, saved.substr(0, n)); });
        EXPECT_TRUE(outcome == "archive:3" || outcome == "archive:6") << "cut at " << n << ": " << outcome;
    }
    EXPECT_EQ("ok", Outcome([&] { SerializeFrom(object, saved); }));
    EXPECT_EQ(ToHex(saved), ToHex(SerializeTo(object)));
}

TEST(RecordFrameTest, UnknownVersionsAndCutBodiesFailTracedAndWithoutLeaks) {
    CStoreInfo* pStore = new CStoreInfo;
    pStore->AddRef();
    ASSERT_EQ(S_OK, pStore->Init(sizeof(STORE_KEY), STORE_KEY, sizeof(INSTANCE_KEY), INSTANCE_KEY));
    ASSERT_EQ(S_OK, pStore->AddFolder(nullptr, sizeof(FOLDER_KEY), FOLDER_KEY));
    CFolderInfo* pFolder = new CFolderInfo;
    pFolder->AddRef();
    CStdPropList* pList = new CStdPropList;
    pList->AddRef();
    {
        SCOPED_TRACE("store");
        CheckFrame(*pStore);
    }
    {
        SCOPED_TRACE("folder");
        CheckFrame(*pFolder);
    }
    {
        SCOPED_TRACE("list base part");
        CheckFrame(*pList);
    }
    pList->Release();
    pFolder->Release();
    pStore->Release();
}

}  // namespace

// The version frame that store, folder and property-list records share: refusals, traces, round trips.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "model/FolderInfo.h"
#include "model/StdPropList.h"
#include "model/StoreInfo.h"
#include "tests/model/PropTestSupport.h"

using namespace proptest;

namespace {

const BYTE STORE_KEY[] = {0x10, 0x11, 0x12};
const BYTE INSTANCE_KEY[] = {0x20, 0x21};
const BYTE FOLDER_KEY[] = {0xA0, 0xA1};

// One record of each class that uses the frame, with a body worth saving, and one reference.
struct Framed {
    const char* pszName;
    std::function<CObject*()> make;
    std::function<void(CObject*)> release;
};

std::vector<Framed> FramedRecords() {
    return {
        {"store",
         [] {
             CStoreInfo* p = new CStoreInfo;
             p->AddRef();
             EXPECT_EQ(S_OK, p->Init(sizeof(STORE_KEY), STORE_KEY, sizeof(INSTANCE_KEY), INSTANCE_KEY));
             EXPECT_EQ(S_OK, p->AddFolder(nullptr, sizeof(FOLDER_KEY), FOLDER_KEY));
             return static_cast<CObject*>(p);
         },
         [](CObject* p) { static_cast<CStoreInfo*>(p)->Release(); }},
        {"folder",
         [] {
             CFolderInfo* p = new CFolderInfo;
             p->AddRef();
             return static_cast<CObject*>(p);
         },
         [](CObject* p) { static_cast<CFolderInfo*>(p)->Release(); }},
        {"list base part",
         [] {
             CStdPropList* p = new CStdPropList;
             p->AddRef();
             return static_cast<CObject*>(p);
         },
         [](CObject* p) { static_cast<CStdPropList*>(p)->Release(); }},
    };
}

TEST(RecordFrameTest, UnknownVersionsAndCutBodiesFailTracedAndWithoutLeaks) {
    for (const Framed& framed : FramedRecords()) {
        SCOPED_TRACE(framed.pszName);
        CObject* pObject = framed.make();
        const Bytes saved = SerializeTo(*pObject);
        ASSERT_GE(saved.size(), 4u);
        EXPECT_EQ(ToHex(Hex("01 00 00 00")), ToHex(Bytes(saved.begin(), saved.begin() + 4)));

        TraceCapture trace;
        Bytes wrong = saved;
        wrong[0] = 2;
        EXPECT_EQ("notsupported", Outcome([&] { SerializeFrom(*pObject, wrong); }));
        EXPECT_TRUE(trace.Contains("Invalid archive version 2!\n"));
        EXPECT_TRUE(trace.Contains("Failed to load contents!\n"));
        EXPECT_FALSE(trace.Contains("Failed to store contents!\n"));

        // Every cut inside the record fails with the archive's end of file, or a bad class where
        // it cuts a class name (the sanitizer run checks that nothing read before it leaks); the
        // whole record still loads afterwards.
        for (size_t n = 0; n < saved.size(); ++n) {
            const std::string outcome =
                Outcome([&] { SerializeFrom(*pObject, Bytes(saved.begin(), saved.begin() + n)); });
            EXPECT_TRUE(outcome == "archive:3" || outcome == "archive:6")
                << "cut at " << n << ": " << outcome;
        }
        EXPECT_EQ("ok", Outcome([&] { SerializeFrom(*pObject, saved); }));
        EXPECT_EQ(ToHex(saved), ToHex(SerializeTo(*pObject)));
        framed.release(pObject);
    }
}

}  // namespace

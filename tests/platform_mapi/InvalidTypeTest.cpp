// A store file holding a property with a type code no store writes: the store says it is damaged
// instead of handing the value out as a missing one.
#include <sqlite3.h>

#include <string>

#include "platform/mapi/StoreAdmin.h"
#include "tests/platform_mapi/MapiTestSupport.h"

namespace mapitest {
namespace {

class InvalidType : public MapiTest {};

TEST_F(InvalidType, AValueOfAnInvalidTypeAskedForByItsTypeIsADamagedStore) {
    ASSERT_EQ(S_OK, HrCreateStoreFile("types.qst", "Types", ""));
    std::string eid;
    {
        Ref<IMsgStore> store;
        ASSERT_EQ(S_OK, HrOpenStoreFile("types.qst", "", MAPI_BEST_ACCESS, &store));
        Ref<IMAPIFolder> inbox(OpenNamedFolder(store, "Inbox"));
        eid = AddMessage(inbox, "IPM.Note", "kept");
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(HrResolveStorePath("types.qst").c_str(), &db));
    // The last-modification time (0x3008) and a text of the item stored under type codes no store
    // writes; the subject stays sound.
    ASSERT_EQ(SQLITE_OK,
              sqlite3_exec(db,
                           "UPDATE props SET type = 777 WHERE pid = 12296;"
                           "INSERT INTO props SELECT msg, 26370, 4107, 'x' FROM props WHERE pid = 55",
                           nullptr, nullptr, nullptr));
    sqlite3_close(db);

    Ref<IMsgStore> store;
    ASSERT_EQ(S_OK, HrOpenStoreFile("types.qst", "", MAPI_BEST_ACCESS, &store));
    LPUNKNOWN unknown = nullptr;
    ASSERT_EQ(S_OK, OpenById(store.p, eid, 0, &unknown));
    Ref<IMessage> message(static_cast<IMessage*>(unknown));
    for (ULONG tag :
         {PR_LAST_MODIFICATION_TIME, PROP_TAG(MV_FLAG | PT_BOOLEAN, 0x6702), PROP_TAG(PT_STRING8, 0x6702)}) {
        Values values;
        EXPECT_EQ(MAPI_E_CORRUPT_STORE,
                  message->GetProps(Tags{PR_SUBJECT_A, tag}, 0, &values.count, &values.p))
            << std::hex << tag;
        EXPECT_EQ(values.p, nullptr);
    }
    // Without a type asked for, the damaged value is marked as such and the sound ones come.
    Values values;
    ASSERT_EQ(MAPI_W_ERRORS_RETURNED, message->GetProps(Tags{PR_SUBJECT_A, PROP_TAG(PT_UNSPECIFIED, 0x3008)},
                                                        0, &values.count, &values.p));
    EXPECT_STREQ(values[0].Value.lpszA, "kept");
    EXPECT_EQ(MAPI_E_CORRUPT_DATA, values[1].Value.err);
}

}  // namespace
}  // namespace mapitest

// Message properties of every type, text conversions, and named properties per store.

#include "platform/mapi/PropCell.h"
#include "tests/platform_mapi/MapiTestSupport.h"

namespace mapitest {
namespace {

class Properties : public MapiTest {
protected:
    void SetUp() override {
        MapiTest::SetUp();
        MakeProfile("P", "", "one.qst", "One");
        AddStore("P", "", "two.qst", "Two");
        m_session.p = Logon("P");
        m_store.p = OpenStore(m_session, "One");
        m_inbox.p = OpenNamedFolder(m_store, "Inbox");
    }
    LPMESSAGE OpenMessage(LPMDB store, const std::string& eid) {
        LPUNKNOWN unknown = nullptr;
        ULONG type = 0;
        EXPECT_EQ(S_OK, OpenById(store, eid, MAPI_BEST_ACCESS, &unknown, &type));
        EXPECT_EQ(MAPI_MESSAGE, type);
        return static_cast<LPMESSAGE>(static_cast<IMessage*>(unknown));
    }
    // The tag of a named property: by number, or by string when 'text' is given.
    ULONG NamedTag(LPMDB store, const GUID& guid, LONG id, ULONG flags, HRESULT* result = nullptr,
                   LPWSTR text = nullptr) {
        MAPINAMEID name{};
        name.lpguid = const_cast<GUID*>(&guid);
        name.ulKind = text != nullptr ? MNID_STRING : MNID_ID;
        if (text != nullptr) {
            name.Kind.lpwstrName = text;
        } else {
            name.Kind.lID = id;
        }
        LPMAPINAMEID names[1] = {&name};
        LPSPropTagArray tags = nullptr;
        HRESULT hr = store->GetIDsFromNames(1, names, flags, &tags);
        EXPECT_TRUE(SUCCEEDED(hr));
        if (result != nullptr) {
            *result = hr;
        }
        ULONG tag = tags != nullptr ? tags->aulPropTag[0] : 0;
        MAPIFreeBuffer(tags);
        return tag;
    }
    Ref<IMAPISession> m_session;
    Ref<IMsgStore> m_store;
    Ref<IMAPIFolder> m_inbox;
};

TEST_F(Properties, EveryKeptTypeComesBackAsItWasWritten) {
    SHORT shorts[] = {-1, 7};
    LONG longs[] = {1, -2, 3};
    float floats[] = {1.5f};
    double doubles[] = {2.25, -0.5};
    CURRENCY currencies[] = {{}};
    currencies[0].int64 = 123456789;
    LONGLONG bigs[] = {0x123456789ALL};
    FILETIME times[] = {{1, 2}, {3, 4}};
    GUID guids[] = {PSETID_Address, PS_PUBLIC_STRINGS};
    char a[] = "alpha";
    char b[] = "";
    LPSTR strings[] = {a, b};
    WCHAR w1[] = u"\u00e4\u00f6\u00fc";
    LPWSTR wides[] = {w1};
    BYTE bytes1[] = {0, 1, 2};
    SBinary bins[] = {{3, bytes1}, {0, nullptr}};
    GUID clsid = PSETID_Task;
    BYTE raw[] = {0xFF, 0x00, 0x7F};
    WCHAR wide[] = u"Gr\u00fc\u00dfe \U0001F600";

    std::vector<SPropValue> v(23);
    auto at = [&](int i, ULONG type, ULONG id) -> _PV& {
        v[i].ulPropTag = PROP_TAG(type, id);
        return v[i].Value;
    };
    at(0, PT_I2, 0x6601).i = -12;
    at(1, PT_LONG, 0x6602).l = -123456;
    at(2, PT_R4, 0x6603).flt = 3.5f;
    at(3, PT_DOUBLE, 0x6604).dbl = 1e300;
    at(4, PT_CURRENCY, 0x6605).cur.int64 = -5;
    at(5, PT_APPTIME, 0x6606).at = 40000.25;
    at(6, PT_BOOLEAN, 0x6607).b = 7;
    at(7, PT_I8, 0x6608).li.QuadPart = -0x7FFFFFFFFFFFLL;
    at(8, PT_SYSTIME, 0x6609).ft = FILETIME{0xFFFFFFFFu, 0x01D00000u};
    at(9, PT_CLSID, 0x660A).lpguid = &clsid;
    at(10, PT_BINARY, 0x660B).bin = SBinary{3, raw};
    at(11, PT_UNICODE, 0x660C).lpszW = wide;
    at(12, PT_MV_I2, 0x660D).MVi = SShortArray{2, shorts};
    at(13, PT_MV_LONG, 0x660E).MVl = SLongArray{3, longs};
    at(14, PT_MV_R4, 0x660F).MVflt = SRealArray{1, floats};
    at(15, PT_MV_DOUBLE, 0x6610).MVdbl = SDoubleArray{2, doubles};
    at(16, PT_MV_CURRENCY, 0x6611).MVcur = SCurrencyArray{1, currencies};
    at(17, PT_MV_I8, 0x6612).MVli = SLargeIntegerArray{1, reinterpret_cast<LARGE_INTEGER*>(bigs)};
    at(18, PT_MV_SYSTIME, 0x6613).MVft = SDateTimeArray{2, times};
    at(19, PT_MV_CLSID, 0x6614).MVguid = SGuidArray{2, guids};
    at(20, PT_MV_STRING8, 0x6615).MVszA = SLPSTRArray{2, strings};
    at(21, PT_MV_UNICODE, 0x6616).MVszW = SWStringArray{1, wides};
    at(22, PT_MV_BINARY, 0x6617).MVbin = SBinaryArray{2, bins};
    std::string eid = AddMessage(m_inbox, "IPM.Test", "all types", v);

    // Read back in a fresh session so nothing can come from memory.
    m_inbox.reset();
    m_store.reset();
    m_store.p = OpenStore(m_session, "One");
    Ref<IMessage> message(OpenMessage(m_store, eid));
    std::vector<ULONG> tagList;
    for (const SPropValue& value : v) {
        tagList.push_back(value.ulPropTag);
    }
    Values got;
    ASSERT_EQ(S_OK, message->GetProps(Tags(tagList), 0, &got.count, &got.p));
    ASSERT_EQ(v.size(), got.count);
    for (size_t i = 0; i < got.count; ++i) {
        EXPECT_EQ(v[i].ulPropTag, got[i].ulPropTag) << i;
    }
    EXPECT_EQ(-12, got[0].Value.i);
    EXPECT_EQ(-123456, got[1].Value.l);
    EXPECT_EQ(3.5f, got[2].Value.flt);
    EXPECT_EQ(1e300, got[3].Value.dbl);
    EXPECT_EQ(-5, got[4].Value.cur.int64);
    EXPECT_EQ(40000.25, got[5].Value.at);
    EXPECT_EQ(1, got[6].Value.b) << "booleans are kept as TRUE or FALSE";
    EXPECT_EQ(-0x7FFFFFFFFFFFLL, got[7].Value.li.QuadPart);
    EXPECT_EQ(0xFFFFFFFFu, got[8].Value.ft.dwLowDateTime);
    EXPECT_EQ(0x01D00000u, got[8].Value.ft.dwHighDateTime);
    EXPECT_TRUE(IsEqualGUID(PSETID_Task, *got[9].Value.lpguid));
    EXPECT_EQ(std::string("\xFF\x00\x7F", 3), Bytes(got[10].Value.bin));
    EXPECT_EQ(std::u16string(wide), std::u16string(got[11].Value.lpszW));
    EXPECT_EQ(7, got[12].Value.MVi.lpi[1]);
    EXPECT_EQ(3u, got[13].Value.MVl.cValues);
    EXPECT_EQ(-2, got[13].Value.MVl.lpl[1]);
    EXPECT_EQ(1.5f, got[14].Value.MVflt.lpflt[0]);
    EXPECT_EQ(-0.5, got[15].Value.MVdbl.lpdbl[1]);
    EXPECT_EQ(123456789, got[16].Value.MVcur.lpcur[0].int64);
    EXPECT_EQ(0x123456789ALL, got[17].Value.MVli.lpli[0].QuadPart);
    EXPECT_EQ(4u, got[18].Value.MVft.lpft[1].dwHighDateTime);
    EXPECT_TRUE(IsEqualGUID(PS_PUBLIC_STRINGS, got[19].Value.MVguid.lpguid[1]));
    EXPECT_STREQ("alpha", got[20].Value.MVszA.lppszA[0]);
    EXPECT_STREQ("", got[20].Value.MVszA.lppszA[1]);
    EXPECT_EQ(std::u16string(w1), std::u16string(got[21].Value.MVszW.lppszW[0]));
    EXPECT_EQ(std::string("\0\1\2", 3), Bytes(got[22].Value.MVbin.lpbin[0]));
    EXPECT_EQ(0u, got[22].Value.MVbin.lpbin[1].cb);
}

TEST_F(Properties, TextIsHandedOutInTheWidthAskedFor) {
    WCHAR wide[] = u"Stra\u00dfe";
    SPropValue value{};
    value.ulPropTag = PR_BODY_W;
    value.Value.lpszW = wide;
    std::string eid = AddMessage(m_inbox, "IPM.Note", "caf\xC3\xA9", {value});
    Ref<IMessage> message(OpenMessage(m_store, eid));
    EXPECT_EQ(
        "Stra\xC3\x9F"
        "e",
        TextProp(message, PR_BODY_A));
    Tags tags{PR_SUBJECT_W, PROP_TAG(PT_UNSPECIFIED, PROP_ID(PR_SUBJECT)), PR_SUBJECT_A};
    Values got;
    ASSERT_EQ(S_OK, message->GetProps(tags, MAPI_UNICODE, &got.count, &got.p));
    EXPECT_EQ(std::u16string(u"caf\u00e9"), std::u16string(got[0].Value.lpszW));
    EXPECT_EQ(PR_SUBJECT_W, got[1].ulPropTag) << "unspecified text follows MAPI_UNICODE";
    EXPECT_STREQ("caf\xC3\xA9", got[2].Value.lpszA);
    // A type that does not fit the stored one reads as missing.
    Values misfit;
    ASSERT_EQ(MAPI_W_ERRORS_RETURNED,
              message->GetProps(Tags{PROP_TAG(PT_LONG, PROP_ID(PR_SUBJECT))}, 0, &misfit.count, &misfit.p));
    EXPECT_EQ(PT_ERROR, PROP_TYPE(misfit[0].ulPropTag));
}

TEST_F(Properties, SavedMessagesCarryClassTimesAndKeepUnsavedChangesOut) {
    Ref<IMessage> message;
    ASSERT_EQ(S_OK, m_inbox->CreateMessage(nullptr, 0, &message));
    Values unsaved;
    ASSERT_EQ(MAPI_W_ERRORS_RETURNED, message->GetProps(Tags{PR_ENTRYID}, 0, &unsaved.count, &unsaved.p));
    EXPECT_EQ(PT_ERROR, PROP_TYPE(unsaved[0].ulPropTag))
        << "a new message has no entry id before it is saved";
    ASSERT_EQ(S_OK, message->SaveChanges(0));
    EXPECT_EQ("IPM.Note", TextProp(message, PR_MESSAGE_CLASS_A));
    std::string eid = BinaryProp(message, PR_ENTRYID);
    ASSERT_EQ(48u, eid.size());
    Values first;
    ASSERT_EQ(S_OK, message->GetProps(Tags{PR_LAST_MODIFICATION_TIME}, 0, &first.count, &first.p));
    EXPECT_GT(first[0].Value.ft.dwHighDateTime, 0x01D00000u);

    SPropValue subject = TextValue(PR_SUBJECT_A, "draft");
    ASSERT_EQ(S_OK, message->SetProps(1, &subject, nullptr));
    Ref<IMessage> other(OpenMessage(m_store, eid));
    EXPECT_EQ("<none>", TextProp(other, PR_SUBJECT_A)) << "changes stay private until saved";
    ASSERT_EQ(S_OK, message->SaveChanges(0));
    EXPECT_EQ("draft", TextProp(message, PR_SUBJECT_A));
    EXPECT_EQ("<none>", TextProp(other, PR_SUBJECT_A)) << "an opened item is a snapshot";
    other.reset();
    other.p = OpenMessage(m_store, eid);
    EXPECT_EQ("draft", TextProp(other, PR_SUBJECT_A));
    ASSERT_EQ(S_OK, message->DeleteProps(Tags{PR_SUBJECT_A}, nullptr));
    ASSERT_EQ(S_OK, message->SaveChanges(0));
    EXPECT_EQ("<none>", TextProp(message, PR_SUBJECT_A));
    other.reset();
    other.p = OpenMessage(m_store, eid);
    EXPECT_EQ("<none>", TextProp(other, PR_SUBJECT_A));
    EXPECT_EQ(1, LongProp(m_inbox, PR_CONTENT_COUNT));
}

TEST_F(Properties, NamedIdsAreMadeOnDemandPerStoreAndNamesComeBack) {
    Ref<IMsgStore> two(OpenStore(m_session, "Two"));
    // Unknown names without MAPI_CREATE come back as errors; with it they get ids from 0x8000.
    HRESULT hr = S_OK;
    EXPECT_EQ(PT_ERROR, PROP_TYPE(NamedTag(m_store, PSETID_Address, 0x8083, 0, &hr)));
    EXPECT_EQ(MAPI_W_ERRORS_RETURNED, hr);
    // Two stores learn names in different orders and so give different ids to one name.
    ULONG oneEmail = NamedTag(m_store, PSETID_Address, 0x8083, MAPI_CREATE);
    ULONG oneStart = NamedTag(m_store, PSETID_Appointment, 0x820D, MAPI_CREATE);
    ULONG twoStart = NamedTag(two, PSETID_Appointment, 0x820D, MAPI_CREATE);
    ULONG twoEmail = NamedTag(two, PSETID_Address, 0x8083, MAPI_CREATE);
    EXPECT_EQ(PT_UNSPECIFIED, PROP_TYPE(oneEmail));
    EXPECT_GE(PROP_ID(oneEmail), 0x8000u);
    EXPECT_NE(oneEmail, twoEmail);
    EXPECT_EQ(PROP_ID(oneEmail), PROP_ID(twoStart));
    EXPECT_EQ(PROP_ID(oneStart), PROP_ID(twoEmail));
    EXPECT_EQ(oneEmail, NamedTag(m_store, PSETID_Address, 0x8083, MAPI_CREATE)) << "ids are stable";

    // A string name, and a value stored under a named tag, read back through the name.
    WCHAR keywords[] = u"Keywords";
    hr = E_FAIL;
    ULONG keywordTag =
        CHANGE_PROP_TYPE(NamedTag(two, PS_PUBLIC_STRINGS, 0, MAPI_CREATE, &hr, keywords), PT_STRING8);
    ASSERT_EQ(S_OK, hr);
    Ref<IMAPIFolder> inbox(OpenNamedFolder(two, "Inbox"));
    std::string eid = AddMessage(inbox, "IPM.Note", "named", {TextValue(keywordTag, "red")});
    Ref<IMessage> message(OpenMessage(two, eid));
    EXPECT_EQ("red", TextProp(message, keywordTag));

    Tags lookup{keywordTag};
    LPSPropTagArray lookupTags = lookup;
    ULONG count = 0;
    LPMAPINAMEID* found = nullptr;
    ASSERT_EQ(S_OK, two->GetNamesFromIDs(&lookupTags, nullptr, 0, &count, &found));
    ASSERT_EQ(1u, count);
    EXPECT_EQ(ULONG(MNID_STRING), found[0]->ulKind);
    EXPECT_EQ(std::u16string(u"Keywords"), std::u16string(found[0]->Kind.lpwstrName));
    EXPECT_TRUE(IsEqualGUID(PS_PUBLIC_STRINGS, *found[0]->lpguid));
    MAPIFreeBuffer(found);
}

TEST(PropCell, DamagedPackedListsBecomeErrorValuesAndUnkeepableValuesAreRefused) {
    using qrvmapi::CPropCell;
    const std::string damaged[] = {
        std::string(),                                          // no count
        std::string("\x05\x00\x00\x00", 4),                     // five elements promised, none there
        std::string("\x01\x00\x00\x00\xFF\xFF\xFF\x7F", 8),     // one element longer than the list
        std::string("\xFF\xFF\xFF\xFF", 4),                     // absurd count
        std::string("\x01\x00\x00\x00\x00\x00\x00\x00zz", 10),  // bytes left over
    };
    const std::string damagedFixed[] = {damaged[0], damaged[1], damaged[3], damaged[4]};
    auto check = [](ULONG type, const std::string& bytes) {
        CPropCell cell;
        cell.m_tag = PROP_TAG(type, 0x6700);
        cell.m_kind = qrvmapi::CellKind::Bytes;
        cell.m_bytes = bytes;
        LPVOID buffer = nullptr;
        ASSERT_EQ(S_OK, MAPIAllocateBuffer(sizeof(SPropValue), &buffer));
        SPropValue& value = *static_cast<SPropValue*>(buffer);
        EXPECT_EQ(S_OK, qrvmapi::ValueFromCell(cell, cell.m_tag, 0, buffer, value));
        EXPECT_EQ(PT_ERROR, PROP_TYPE(value.ulPropTag));
        EXPECT_EQ(MAPI_E_CORRUPT_DATA, value.Value.err);
        MAPIFreeBuffer(buffer);
    };
    for (ULONG type : {ULONG(PT_MV_STRING8), ULONG(PT_MV_BINARY), ULONG(PT_MV_UNICODE)}) {
        for (const std::string& bytes : damaged) {
            check(type, bytes);
        }
    }
    for (ULONG type : {ULONG(PT_MV_LONG), ULONG(PT_MV_CLSID), ULONG(PT_MV_I2)}) {
        for (const std::string& bytes : damagedFixed) {
            check(type, bytes);
        }
    }
    check(PT_CLSID, "short");
    // The other way round: values that cannot be kept are refused by type.
    SPropValue value{};
    value.ulPropTag = PROP_TAG(PT_OBJECT, 0x6700);
    qrvmapi::CPropCell cell;
    EXPECT_EQ(MAPI_E_INVALID_TYPE, qrvmapi::CellFromValue(value, cell));
    value.ulPropTag = PROP_TAG(PT_STRING8, 0x6700);
    value.Value.lpszA = nullptr;
    EXPECT_EQ(MAPI_E_INVALID_PARAMETER, qrvmapi::CellFromValue(value, cell));
    value.ulPropTag = PROP_TAG(PT_MV_LONG, 0x6700);
    value.Value.MVl = SLongArray{3, nullptr};
    EXPECT_EQ(MAPI_E_INVALID_PARAMETER, qrvmapi::CellFromValue(value, cell));
}

}  // namespace
}  // namespace mapitest

// The automation runtime: BSTRs, VARIANTs, COM initialisation, class ids and activation.
#include <gtest/gtest.h>

#include <thread>

#include "platform/automation/ClassRegistry.h"
#include "platform/automation/ComInit.h"
#include "platform/automation/ComRuntime.h"
#include "platform/automation/DispatchObject.h"
#include "platform/automation/MailClient.h"
#include "platform/automation/MailItem.h"
#include "tests/automation/AutomationTestSupport.h"
#include "tests/support/TempRoot.h"
#include "tools/install/Install.h"

namespace {

// The current reference count of an object, read without changing it.
ULONG RefCount(IUnknown* pUnk) {
    pUnk->AddRef();
    return pUnk->Release();
}

IDispatch* NewItem() {
    return new CMailItem(CItemSnapshot{});
}

TEST(Bstr, KeepsEmbeddedNulsAndTellsNullFromEmpty) {
    const OLECHAR withNul[] = {u'a', 0, u'b'};
    BSTR bstr = SysAllocStringLen(withNul, 3);
    ASSERT_NE(nullptr, bstr);
    EXPECT_EQ(3u, SysStringLen(bstr));
    EXPECT_EQ(6u, SysStringByteLen(bstr));
    EXPECT_EQ(0, bstr[3]);  // terminated behind the counted units
    SysFreeString(bstr);

    const std::string text =
        "M\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x93\xA7";  // u-umlaut, euro, a surrogate pair
    bstr = BstrFromUtf8(text);
    EXPECT_EQ(11u, SysStringLen(bstr));
    EXPECT_EQ(text, Utf8FromBstr(bstr));
    SysFreeString(bstr);

    EXPECT_EQ(nullptr, BstrFromUtf8(static_cast<const char*>(nullptr)));
    BSTR empty = BstrFromUtf8("");
    ASSERT_NE(nullptr, empty);  // callers tell "no text" from ""
    EXPECT_EQ(0u, SysStringLen(empty));
    SysFreeString(empty);
}

TEST(Variant, ClearAndCopyOwnTheirValues) {
    IDispatch* pItem = NewItem();
    autotest::Variant a;
    autotest::Variant b;
    a.vt = VT_DISPATCH;
    a.pdispVal = pItem;  // a now holds the only reference
    ASSERT_EQ(S_OK, VariantCopy(&b, &a));
    EXPECT_EQ(2u, RefCount(pItem));
    EXPECT_EQ(S_OK, VariantClear(&a));
    EXPECT_EQ(VT_EMPTY, a.vt);
    EXPECT_EQ(1u, RefCount(pItem));

    // A BSTR is copied, not shared: clearing one leaves the other readable.
    VARIANT text = autotest::Text("subject");
    ASSERT_EQ(S_OK, VariantCopy(&b, &text));  // also releases the item held by b
    EXPECT_NE(text.bstrVal, b.bstrVal);
    VariantClear(&text);
    EXPECT_EQ("subject", Utf8FromBstr(b.bstrVal));
}

TEST(ComInit, CountsPerThreadAndKeepsTheThreadingModel) {
    EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    EXPECT_EQ(S_FALSE, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    EXPECT_EQ(RPC_E_CHANGED_MODE, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    EXPECT_EQ(2, GetComInitCount());  // the refused call counted nothing
    std::thread([] { EXPECT_EQ(0, GetComInitCount()); }).join();
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(0, GetComInitCount());
    EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    CoUninitialize();

    SetCoInitializeResult(E_OUTOFMEMORY);
    EXPECT_EQ(E_OUTOFMEMORY, CoInitialize(nullptr));
    EXPECT_EQ(0, GetComInitCount());
    SetCoInitializeResult(S_OK);
}

TEST(Guid, TextRoundTripAndMalformedTexts) {
    const std::string text = GuidToString(CLSID_MailApplication);
    EXPECT_EQ("{0006F03A-0000-0000-C000-000000000046}", text);
    GUID parsed{};
    ASSERT_TRUE(GuidFromString("{0006f03a-0000-0000-c000-000000000046}", &parsed));
    EXPECT_TRUE(parsed == CLSID_MailApplication);

    for (const char* bad :
         {"0006F03A-0000-0000-C000-000000000046", "{0006F03A-0000-0000-C000-00000000004}",
          "{0006F03A+0000-0000-C000-000000000046}", "{0006F03G-0000-0000-C000-000000000046}"})
        EXPECT_FALSE(GuidFromString(bad, &parsed)) << bad;
    OLECHAR wide[39];
    EXPECT_EQ(0, StringFromGUID2(CLSID_MailApplication, wide, 38));
    EXPECT_EQ(39, StringFromGUID2(CLSID_MailApplication, wide, 39));
    CLSID back{};
    EXPECT_EQ(S_OK, CLSIDFromString(wide, &back));
    EXPECT_TRUE(back == CLSID_MailApplication);
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromString(u"{nonsense}", &back));
}

class ClassRegistryTest : public ::testing::Test {
protected:
    qrvtest::TempRoot m_root;
};

TEST_F(ClassRegistryTest, ProgIdLookupThroughTheInstallStep) {
    CLSID clsid{};
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromProgID(u"Outlook.Application", &clsid));

    std::string error;
    ASSERT_EQ(S_OK, InstallAutomationClasses(InstallContext{}, error)) << error;
    ASSERT_EQ(S_OK, CLSIDFromProgID(u"Outlook.Application", &clsid));
    EXPECT_TRUE(clsid == CLSID_MailApplication);
    // Key names are case-insensitive, as ProgIDs are.
    EXPECT_EQ(S_OK, CLSIDFromProgID(u"OUTLOOK.application", &clsid));
    std::string module;
    EXPECT_EQ(S_OK, GetInprocServerModule(CLSID_MailApplication, module));
    EXPECT_EQ(MAILCLIENT_MODULE, module);

    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromProgID(u"Nothing.Registered", &clsid));
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromProgID(u"", &clsid));
    // A name with a separator must not reach other keys of the hive.
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromProgID(u"CLSID\\{0006F03A-0000-0000-C000-000000000046}", &clsid));
    EXPECT_EQ(E_INVALIDARG, CLSIDFromProgID(nullptr, &clsid));
    EXPECT_EQ(E_INVALIDARG, CLSIDFromProgID(u"Outlook.Application", nullptr));

    // Registering twice leaves one registration; unregistering removes every key.
    ASSERT_EQ(S_OK, RegisterMailClientClasses());
    ASSERT_EQ(S_OK, UnregisterMailClientClasses());
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromProgID(u"Outlook.Application", &clsid));
    EXPECT_EQ(REGDB_E_CLASSNOTREG, GetInprocServerModule(CLSID_MailApplication, module));
    EXPECT_EQ(S_OK, UnregisterMailClientClasses());
}

HRESULT Create(DWORD dwContext, REFIID riid, IDispatch** ppDispatch, IUnknown* pOuter = nullptr) {
    return CoCreateInstance(CLSID_MailApplication, pOuter, dwContext, riid,
                            reinterpret_cast<LPVOID*>(ppDispatch));
}

TEST_F(ClassRegistryTest, ActivationNeedsInitialisationRegistrationAndAModule) {
    IDispatch* pDispatch = reinterpret_cast<IDispatch*>(0x1);
    EXPECT_EQ(CO_E_NOTINITIALIZED, Create(CLSCTX_SERVER, IID_IDispatch, &pDispatch));
    EXPECT_EQ(nullptr, pDispatch);
    ASSERT_EQ(S_OK, CoInitialize(nullptr));
    EXPECT_EQ(REGDB_E_CLASSNOTREG, Create(CLSCTX_SERVER, IID_IDispatch, &pDispatch));
    ASSERT_EQ(S_OK, RegisterAutomationClass("Other.Application", CLSID_MailApplication, "x", "nosuchmodule"));
    EXPECT_EQ(CO_E_DLLNOTFOUND, Create(CLSCTX_SERVER, IID_IDispatch, &pDispatch));

    ASSERT_EQ(S_OK, RegisterMailClientClasses());
    IDispatch* pOuter = NewItem();
    const LONG live = CDispatchObject::LiveObjects();
    EXPECT_EQ(CLASS_E_NOAGGREGATION, Create(CLSCTX_SERVER, IID_IDispatch, &pDispatch, pOuter));
    EXPECT_EQ(E_NOINTERFACE, Create(CLSCTX_SERVER, IID_IClassFactory, &pDispatch));
    EXPECT_EQ(live, CDispatchObject::LiveObjects());  // the refused object was not kept
    pOuter->Release();
    EXPECT_EQ(REGDB_E_CLASSNOTREG, Create(CLSCTX_INPROC_HANDLER, IID_IDispatch, &pDispatch));
    ASSERT_EQ(S_OK, Create(CLSCTX_LOCAL_SERVER, IID_IDispatch, &pDispatch));
    pDispatch->Release();
    CoUninitialize();
}

TEST_F(ClassRegistryTest, ClassObjectsOfferedByTheProcessComeFirst) {
    ASSERT_EQ(S_OK, CoInitialize(nullptr));
    ASSERT_EQ(S_OK, RegisterMailClientClasses());
    autotest::CountingFactory factory(NewItem);
    DWORD dwCookie = 0;
    ASSERT_EQ(S_OK, CoRegisterClassObject(CLSID_MailApplication, &factory, CLSCTX_LOCAL_SERVER,
                                          REGCLS_MULTIPLEUSE, &dwCookie));
    EXPECT_EQ(2u, factory.m_cRef);  // the runtime holds one reference while offered

    IDispatch* pDispatch = nullptr;
    ASSERT_EQ(S_OK, Create(CLSCTX_SERVER, IID_IDispatch, &pDispatch));
    EXPECT_EQ(1, factory.m_created);
    pDispatch->Release();
    // Offered for the local server only: an in-process request goes to the registered module.
    ASSERT_EQ(S_OK, Create(CLSCTX_INPROC_SERVER, IID_IDispatch, &pDispatch));
    EXPECT_EQ(1, factory.m_created);
    pDispatch->Release();

    EXPECT_EQ(S_OK, CoRevokeClassObject(dwCookie));
    EXPECT_EQ(1u, factory.m_cRef);
    EXPECT_EQ(CO_E_OBJNOTREG, CoRevokeClassObject(dwCookie));
    CoUninitialize();
}

}  // namespace

// Dispatch by name on the mail client's objects: name lookup, member kinds, argument checks and
// the failures a caller sees with and without an exception description.
#include "tests/automation/AutomationTestSupport.h"

#include "platform/mapi/MAPIX.h"

namespace {

using namespace autotest;

using DispatchTest = SessionTest;

TEST_F(DispatchTest, NamesAreLookedUpWithoutCase) {
    BSTR names[1] = {BstrFromUtf8("getitemfromid")};
    DISPID ids[1] = {0};
    EXPECT_EQ(S_OK, m_pSession->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, ids));
    EXPECT_NE(DISPID_UNKNOWN, ids[0]);
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE,
              m_pSession->GetIDsOfNames(IID_IDispatch, names, 1, LOCALE_USER_DEFAULT, ids));
    SysFreeString(names[0]);

    EXPECT_EQ(DISP_E_UNKNOWNNAME, Call(m_pSession, "Logoff", DISPATCH_METHOD));
    EXPECT_EQ(DISP_E_UNKNOWNNAME, Call(m_pApplication, "Logon", DISPATCH_METHOD));
}

TEST_F(DispatchTest, SessionIsOnePropertyObject) {
    Variant result;
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Call(m_pApplication, "Session", DISPATCH_METHOD, &result));
    EXPECT_EQ(VT_EMPTY, result.vt);
    IDispatch* pAgain = GetSession(m_pApplication);
    EXPECT_EQ(m_pSession, pAgain);
    pAgain->Release();
    // The namespace outlives the application that handed it out.
    m_pApplication->Release();
    m_pApplication = nullptr;
    EXPECT_EQ(MAPI_E_LOGON_FAILED, Call(m_pSession, "GetItemFromID", DISPATCH_METHOD, {Text("00")}, &result));
}

TEST_F(DispatchTest, ArgumentTypesAndCountsAreChecked) {
    UINT uArgErr = 0;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(m_pSession, "Logon", DISPATCH_METHOD,
                                        {Long(7), Text(""), Bool(false), Bool(false)}, nullptr, &uArgErr));
    EXPECT_EQ(3u, uArgErr);  // the first argument sits last in the reversed array
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(m_pSession, "Logon", DISPATCH_METHOD,
                                        {Text("p"), Text(""), Text("yes"), Bool(false)}, nullptr, &uArgErr));
    EXPECT_EQ(1u, uArgErr);
    EXPECT_EQ(DISP_E_BADPARAMCOUNT,
              Call(m_pSession, "GetItemFromID", DISPATCH_METHOD, {Text("a"), Text("b"), Text("c")}));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Call(m_pSession, "GetItemFromID", DISPATCH_METHOD));
    EXPECT_EQ(DISP_E_PARAMNOTOPTIONAL,
              Call(m_pSession, "GetItemFromID", DISPATCH_METHOD, {Missing(), Text("00")}, nullptr, &uArgErr));
    EXPECT_EQ(1u, uArgErr);

    // Named arguments are refused before anything runs.
    BSTR name = BstrFromUtf8("GetItemFromID");
    DISPID dispid = DISPID_UNKNOWN;
    ASSERT_EQ(S_OK, m_pSession->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &dispid));
    SysFreeString(name);
    VARIANT arg;
    VariantInit(&arg);
    DISPID named = 0;
    DISPPARAMS params = {&arg, &named, 1, 1};
    EXPECT_EQ(DISP_E_NONAMEDARGS, m_pSession->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                                     &params, nullptr, nullptr, nullptr));
    EXPECT_EQ(E_INVALIDARG, m_pSession->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                               nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, m_pSession->Invoke(4711, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                                        &params, nullptr, nullptr, nullptr));
}

TEST_F(DispatchTest, FailuresCarryTheirReasonWithOrWithoutDescription) {
    Variant result;
    // Without an exception structure the caller gets the reason's own code.
    EXPECT_EQ(MAPI_E_LOGON_FAILED,
              Call(m_pSession, "GetItemFromID", DISPATCH_METHOD, {Text("00AB10")}, &result));
    EXPECT_EQ(VT_EMPTY, result.vt);

    EXCEPINFO info{};
    EXPECT_EQ(DISP_E_EXCEPTION,
              Call(m_pSession, "GetItemFromID", DISPATCH_METHOD, {Text("00AB10")}, &result, nullptr, &info));
    EXPECT_EQ(MAPI_E_LOGON_FAILED, info.scode);
    EXPECT_EQ("The namespace is not logged on to a profile.", Utf8FromBstr(info.bstrDescription));
    EXPECT_FALSE(Utf8FromBstr(info.bstrSource).empty());
    ClearExcepInfo(&info);
    EXPECT_EQ(nullptr, info.bstrDescription);
}

}  // namespace

// Shared set-up of the automation tests.
#include "tests/automation/AutomationTestSupport.h"

#include "platform/automation/ClassRegistry.h"
#include "platform/automation/ComInit.h"
#include "platform/automation/ComRuntime.h"
#include "platform/automation/DispatchObject.h"
#include "platform/automation/MailClient.h"

namespace autotest {

Args::~Args() {
    for (VARIANT& v : m_args)
        VariantClear(&v);
}

Args& Args::Push(VARTYPE vt, LONGLONG value, BSTR bstr) {
    VARIANT v;
    VariantInit(&v);
    v.vt = vt;
    v.llVal = value;
    if (vt == VT_BSTR)
        v.bstrVal = bstr;
    m_args.push_back(v);
    return *this;
}

Args& Args::Text(const std::string& text) {
    return Push(VT_BSTR, 0, BstrFromUtf8(text));
}
Args& Args::NullText() {
    return Push(VT_BSTR, 0, nullptr);
}
Args& Args::Bool(bool value) {
    return Push(VT_BOOL, 0, nullptr).SetBool(value);
}
Args& Args::Long(LONG value) {
    return Push(VT_I4, value, nullptr);
}
Args& Args::Missing() {
    return Push(VT_ERROR, static_cast<ULONG>(DISP_E_PARAMNOTFOUND), nullptr);
}
Args& Args::SetBool(bool value) {
    m_args.back().boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return *this;
}

DISPPARAMS Args::Params() {
    // Shallow copies: the values stay owned by m_args.
    m_reversed.assign(m_args.rbegin(), m_args.rend());
    return DISPPARAMS{m_reversed.empty() ? nullptr : m_reversed.data(), nullptr,
                      static_cast<UINT>(m_reversed.size()), 0};
}

HRESULT Call(IDispatch* pDispatch, const char* pszName, WORD wFlags, Args& args, VARIANT* pResult,
             UINT* puArgErr, EXCEPINFO* pExcepInfo) {
    BSTR name = BstrFromUtf8(pszName);
    LPOLESTR names[1] = {name};
    DISPID dispid = DISPID_UNKNOWN;
    HRESULT hr = pDispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid);
    SysFreeString(name);
    if (FAILED(hr))
        return hr;
    DISPPARAMS params = args.Params();
    UINT uArgErr = 0xFFFF;
    hr = pDispatch->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, wFlags, &params, pResult, pExcepInfo,
                           &uArgErr);
    if (puArgErr != nullptr)
        *puArgErr = uArgErr;
    return hr;
}

HRESULT Call(IDispatch* pDispatch, const char* pszName, WORD wFlags, VARIANT* pResult) {
    Args none;
    return Call(pDispatch, pszName, wFlags, none, pResult);
}

std::string TextOf(const VARIANT& value) {
    EXPECT_EQ(VT_BSTR, value.vt);
    return value.vt == VT_BSTR ? Utf8FromBstr(value.bstrVal) : std::string();
}

void AutomationTest::SetUp() {
    mapitest::MapiTest::SetUp();
    m_liveBefore = CDispatchObject::LiveObjects();
    ASSERT_EQ(S_OK, CoInitialize(nullptr));
    ASSERT_EQ(S_OK, RegisterMailClientClasses());
    m_pPreviousViewer = SetItemViewer(&m_viewer);
}

void AutomationTest::TearDown() {
    SetItemViewer(m_pPreviousViewer);
    CoUninitialize();
    EXPECT_EQ(0, GetComInitCount());
    EXPECT_EQ(m_liveBefore, CDispatchObject::LiveObjects()) << "automation objects left alive";
    mapitest::MapiTest::TearDown();
}

IDispatch* AutomationTest::CreateApplication() {
    CLSID clsid{};
    EXPECT_EQ(S_OK, CLSIDFromProgID(u"Outlook.Application", &clsid));
    IDispatch* pApplication = nullptr;
    EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch,
                                     reinterpret_cast<LPVOID*>(&pApplication)));
    return pApplication;
}

IDispatch* AutomationTest::GetSession(IDispatch* pApplication) {
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(S_OK, Call(pApplication, "Session", DISPATCH_PROPERTYGET, &result));
    EXPECT_EQ(VT_DISPATCH, result.vt);
    return result.vt == VT_DISPATCH ? result.pdispVal : nullptr;
}

}  // namespace autotest

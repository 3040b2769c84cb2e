// Shared set-up of the automation tests.
#include "tests/automation/AutomationTestSupport.h"

#include <algorithm>

#include "platform/automation/ClassRegistry.h"
#include "platform/automation/ComInit.h"
#include "platform/automation/ComRuntime.h"
#include "platform/automation/DispatchObject.h"
#include "platform/automation/MailClient.h"

namespace autotest {

namespace {

VARIANT Of(VARTYPE vt) {
    VARIANT v;
    VariantInit(&v);
    v.llVal = 0;
    v.vt = vt;
    return v;
}

}  // namespace

VARIANT Text(const std::string& text) {
    VARIANT v = Of(VT_BSTR);
    v.bstrVal = BstrFromUtf8(text);
    return v;
}
VARIANT NullText() {
    return Of(VT_BSTR);
}
VARIANT Bool(bool value) {
    VARIANT v = Of(VT_BOOL);
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}
VARIANT Long(LONG value) {
    VARIANT v = Of(VT_I4);
    v.lVal = value;
    return v;
}
VARIANT Missing() {
    VARIANT v = Of(VT_ERROR);
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

HRESULT Call(IDispatch* pDispatch, const char* pszName, WORD wFlags, std::vector<VARIANT> args,
             VARIANT* pResult, UINT* puArgErr, EXCEPINFO* pExcepInfo) {
    BSTR name = BstrFromUtf8(pszName);
    DISPID dispid = DISPID_UNKNOWN;
    HRESULT hr = pDispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &dispid);
    SysFreeString(name);
    std::reverse(args.begin(), args.end());
    DISPPARAMS params{args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    UINT uArgErr = 0xFFFF;
    if (SUCCEEDED(hr))
        hr = pDispatch->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, wFlags, &params, pResult, pExcepInfo,
                               &uArgErr);
    if (puArgErr != nullptr)
        *puArgErr = uArgErr;
    for (VARIANT& v : args)
        VariantClear(&v);
    return hr;
}

HRESULT Call(IDispatch* pDispatch, const char* pszName, WORD wFlags, VARIANT* pResult) {
    return Call(pDispatch, pszName, wFlags, std::vector<VARIANT>{}, pResult);
}

HRESULT CountingFactory::QueryInterface(REFIID riid, void** ppv) {
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory)
        return E_NOINTERFACE;
    *ppv = this;
    AddRef();
    return S_OK;
}

HRESULT CountingFactory::CreateInstance(IUnknown*, REFIID riid, void** ppv) {
    ++m_created;
    IDispatch* pObject = m_make();
    HRESULT hr = pObject->QueryInterface(riid, ppv);
    pObject->Release();
    return hr;
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

void SessionTest::SetUp() {
    AutomationTest::SetUp();
    m_pApplication = CreateApplication();
    ASSERT_NE(nullptr, m_pApplication);
    m_pSession = GetSession(m_pApplication);
    ASSERT_NE(nullptr, m_pSession);
}

void SessionTest::TearDown() {
    if (m_pSession != nullptr)
        m_pSession->Release();
    if (m_pApplication != nullptr)
        m_pApplication->Release();
    AutomationTest::TearDown();
}

}  // namespace autotest

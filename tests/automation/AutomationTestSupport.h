// Shared set-up of the automation tests: dispatch calls by name, argument values, and fixtures
// with a fresh machine root, COM initialised and the mail client registered.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/automation/ClassRegistry.h"
#include "platform/automation/ComInit.h"
#include "platform/automation/ComRuntime.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/DispatchObject.h"
#include "platform/automation/ItemViewer.h"
#include "platform/automation/MailClient.h"
#include "tests/platform_mapi/MapiTestSupport.h"

namespace autotest {

// Argument values for Call, which clears them.
inline VARIANT Of(VARTYPE vt) {
    VARIANT v{};
    v.vt = vt;
    return v;
}
inline VARIANT Text(const std::string& text) {
    VARIANT v = Of(VT_BSTR);
    v.bstrVal = BstrFromUtf8(text);
    return v;
}
inline VARIANT NullText() {
    return Of(VT_BSTR);
}
inline VARIANT Bool(bool value) {
    VARIANT v = Of(VT_BOOL);
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}
inline VARIANT Long(LONG value) {
    VARIANT v = Of(VT_I4);
    v.lVal = value;
    return v;
}
// VT_ERROR DISP_E_PARAMNOTFOUND, as a left-out optional argument.
inline VARIANT Missing() {
    VARIANT v = Of(VT_ERROR);
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

// A result variant, cleared when it goes.
struct Variant : VARIANT {
    Variant() { VariantInit(this); }
    ~Variant() { VariantClear(this); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
};

// Looks the name up and invokes it with the arguments given in their logical order (Invoke gets
// them reversed).
inline HRESULT Call(IDispatch* pDispatch, const char* pszName, WORD wFlags, std::vector<VARIANT> args,
                    VARIANT* pResult = nullptr, UINT* puArgErr = nullptr, EXCEPINFO* pExcepInfo = nullptr) {
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
inline HRESULT Call(IDispatch* pDispatch, const char* pszName, WORD wFlags, VARIANT* pResult = nullptr) {
    return Call(pDispatch, pszName, wFlags, std::vector<VARIANT>{}, pResult);
}

// A viewer that keeps what it was asked to show.
class RecordingViewer : public IItemViewer {
public:
    HRESULT ShowItem(const CItemSnapshot& item, bool bModal) override {
        m_items.push_back(item);
        m_modal.push_back(bModal);
        return m_hrResult;
    }
    std::vector<CItemSnapshot> m_items;
    std::vector<bool> m_modal;
    HRESULT m_hrResult = S_OK;
};

// A class object a test offers to the process: counts its references and what it made.
class CountingFactory : public IClassFactory {
public:
    explicit CountingFactory(std::function<IDispatch*()> make) : m_make(std::move(make)) {}
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IClassFactory)
            return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++m_cRef; }
    ULONG Release() override { return --m_cRef; }
    HRESULT CreateInstance(IUnknown*, REFIID riid, void** ppv) override {
        ++m_created;
        IDispatch* pObject = m_make();
        HRESULT hr = pObject->QueryInterface(riid, ppv);
        pObject->Release();
        return hr;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }
    ULONG m_cRef = 1;
    int m_created = 0;

private:
    std::function<IDispatch*()> m_make;
};

// A machine root with message-store profiles, COM initialised and the mail client registered as
// the install step registers it; checks on the way out that no automation object is left alive.
class AutomationTest : public mapitest::MapiTest {
protected:
    void SetUp() override {
        mapitest::MapiTest::SetUp();
        m_liveBefore = CDispatchObject::LiveObjects();
        ASSERT_EQ(S_OK, CoInitialize(nullptr));
        ASSERT_EQ(S_OK, RegisterMailClientClasses());
        m_pPreviousViewer = SetItemViewer(&m_viewer);
    }
    void TearDown() override {
        SetItemViewer(m_pPreviousViewer);
        CoUninitialize();
        EXPECT_EQ(0, GetComInitCount());
        EXPECT_EQ(m_liveBefore, CDispatchObject::LiveObjects()) << "automation objects left alive";
        mapitest::MapiTest::TearDown();
    }
    // The application object made through the ProgID, as a client makes it.
    IDispatch* CreateApplication() {
        CLSID clsid{};
        EXPECT_EQ(S_OK, CLSIDFromProgID(u"Outlook.Application", &clsid));
        IDispatch* pApplication = nullptr;
        EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch,
                                         reinterpret_cast<LPVOID*>(&pApplication)));
        return pApplication;
    }
    IDispatch* GetSession(IDispatch* pApplication) {
        VARIANT result;
        VariantInit(&result);
        EXPECT_EQ(S_OK, Call(pApplication, "Session", DISPATCH_PROPERTYGET, &result));
        EXPECT_EQ(VT_DISPATCH, result.vt);
        return result.vt == VT_DISPATCH ? result.pdispVal : nullptr;
    }

    LONG m_liveBefore = 0;
    RecordingViewer m_viewer;
    IItemViewer* m_pPreviousViewer = nullptr;
};

// With the application and its session made, as a client holds them.
class SessionTest : public AutomationTest {
protected:
    void SetUp() override {
        AutomationTest::SetUp();
        m_pApplication = CreateApplication();
        ASSERT_NE(nullptr, m_pApplication);
        m_pSession = GetSession(m_pApplication);
        ASSERT_NE(nullptr, m_pSession);
    }
    void TearDown() override {
        if (m_pSession != nullptr)
            m_pSession->Release();
        if (m_pApplication != nullptr)
            m_pApplication->Release();
        AutomationTest::TearDown();
    }
    IDispatch* m_pApplication = nullptr;
    IDispatch* m_pSession = nullptr;
};

}  // namespace autotest

// Shared set-up of the automation tests: dispatch calls by name, argument lists, and fixtures
// with a fresh machine root, COM initialised and the mail client registered.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/automation/Dispatch.h"
#include "platform/automation/ItemViewer.h"
#include "tests/platform_mapi/MapiTestSupport.h"

namespace autotest {

// Argument values for Call, which clears them.
VARIANT Text(const std::string& text);
VARIANT NullText();
VARIANT Bool(bool value);
VARIANT Long(LONG value);
VARIANT Missing();  // VT_ERROR DISP_E_PARAMNOTFOUND, as a left-out optional argument

// A result variant, cleared when it goes.
struct Variant : VARIANT {
    Variant() { VariantInit(this); }
    ~Variant() { VariantClear(this); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
};

// Looks the name up and invokes it with the arguments given in their logical order (Invoke gets
// them reversed).
HRESULT Call(IDispatch* pDispatch, const char* pszName, WORD wFlags, std::vector<VARIANT> args,
             VARIANT* pResult = nullptr, UINT* puArgErr = nullptr, EXCEPINFO* pExcepInfo = nullptr);
HRESULT Call(IDispatch* pDispatch, const char* pszName, WORD wFlags, VARIANT* pResult = nullptr);

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
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return ++m_cRef; }
    ULONG Release() override { return --m_cRef; }
    HRESULT CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override;
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
    void SetUp() override;
    void TearDown() override;

    // The application object made through the ProgID, as a client makes it.
    IDispatch* CreateApplication();
    // The application's "Session".
    IDispatch* GetSession(IDispatch* pApplication);

    LONG m_liveBefore = 0;
    RecordingViewer m_viewer;
    IItemViewer* m_pPreviousViewer = nullptr;
};

// With the application and its session made, as a client holds them.
class SessionTest : public AutomationTest {
protected:
    void SetUp() override;
    void TearDown() override;
    IDispatch* m_pApplication = nullptr;
    IDispatch* m_pSession = nullptr;
};

}  // namespace autotest

// Shared set-up of the automation tests: dispatch calls by name, argument lists, and a fixture
// with a fresh machine root, COM initialised and the mail client registered.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/automation/Dispatch.h"
#include "platform/automation/ItemViewer.h"
#include "tests/platform_mapi/MapiTestSupport.h"

namespace autotest {

// Arguments in their logical order; Params() hands them out reversed, as Invoke expects.
class Args {
public:
    Args() = default;
    Args(const Args&) = delete;
    Args& operator=(const Args&) = delete;
    ~Args();
    Args& Text(const std::string& text);
    Args& NullText();
    Args& Bool(bool value);
    Args& Long(LONG value);
    Args& Missing();  // VT_ERROR DISP_E_PARAMNOTFOUND, as a left-out optional argument
    DISPPARAMS Params();

private:
    Args& Push(VARTYPE vt, LONGLONG value, BSTR bstr);
    Args& SetBool(bool value);
    std::vector<VARIANT> m_args;
    std::vector<VARIANT> m_reversed;
};

// Looks the name up and invokes it; the result (when asked for) must be cleared by the caller.
HRESULT Call(IDispatch* pDispatch, const char* pszName, WORD wFlags, Args& args, VARIANT* pResult = nullptr,
             UINT* puArgErr = nullptr, EXCEPINFO* pExcepInfo = nullptr);
HRESULT Call(IDispatch* pDispatch, const char* pszName, WORD wFlags, VARIANT* pResult = nullptr);
// The text of a VT_BSTR result.
std::string TextOf(const VARIANT& value);

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

}  // namespace autotest

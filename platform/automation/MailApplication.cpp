// The application object, its class factory, the module entry point and its registration.
#include "platform/automation/MailApplication.h"

#include <new>

#include "platform/automation/ClassRegistry.h"
#include "platform/automation/MailClient.h"
#include "platform/automation/MailNameSpace.h"

// The public class id of the application class behind the ProgID.
const CLSID CLSID_MailApplication = {
    0x0006F03A, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

namespace {

enum : DISPID {
    DISPID_APP_SESSION = 1,
};

const DispMember APPLICATION_MEMBERS[] = {
    {"Session", DISPID_APP_SESSION, DISPATCH_PROPERTYGET, 0, 0},
    {nullptr, 0, 0, 0, 0},
};

// A static object: the factory lives as long as the program, so its counts only keep the shape.
class CMailApplicationFactory : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
        if (ppvObject == nullptr)
            return E_POINTER;
        *ppvObject = nullptr;
        if (riid != IID_IUnknown && riid != IID_IClassFactory)
            return E_NOINTERFACE;
        *ppvObject = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override {
        if (ppvObject == nullptr)
            return E_POINTER;
        *ppvObject = nullptr;
        if (pUnkOuter != nullptr)
            return CLASS_E_NOAGGREGATION;
        CMailApplication* pApplication = new (std::nothrow) CMailApplication;
        if (pApplication == nullptr)
            return E_OUTOFMEMORY;
        HRESULT hr = pApplication->QueryInterface(riid, ppvObject);
        pApplication->Release();
        return hr;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }
};

CMailApplicationFactory g_factory;

}  // namespace

CMailApplication::CMailApplication() = default;

CMailApplication::~CMailApplication() {
    if (m_pNameSpace != nullptr)
        m_pNameSpace->Release();
}

const DispMember* CMailApplication::Members() const {
    return APPLICATION_MEMBERS;
}

const char* CMailApplication::SourceName() const {
    return "Mail client application";
}

HRESULT CMailApplication::InvokeMember(DISPID dispid, const CDispArgs&, VARIANT* pResult, UINT*,
                                       DispFailure&) {
    if (dispid != DISPID_APP_SESSION)
        return DISP_E_MEMBERNOTFOUND;
    if (m_pNameSpace == nullptr) {
        m_pNameSpace = new (std::nothrow) CMailNameSpace;
        if (m_pNameSpace == nullptr)
            return E_OUTOFMEMORY;
    }
    m_pNameSpace->AddRef();
    pResult->vt = VT_DISPATCH;
    pResult->pdispVal = m_pNameSpace;
    return S_OK;
}

HRESULT MailClientGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (rclsid != CLSID_MailApplication)
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, ppv);
}

HRESULT RegisterMailClientClasses() {
    return RegisterAutomationClass(MAILCLIENT_PROGID, CLSID_MailApplication, "Mail client application",
                                   MAILCLIENT_MODULE);
}

HRESULT UnregisterMailClientClasses() {
    return UnregisterAutomationClass(MAILCLIENT_PROGID, CLSID_MailApplication);
}

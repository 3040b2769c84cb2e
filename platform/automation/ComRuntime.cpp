// CoCreateInstance and the process's table of offered class objects.
#include "platform/automation/ComRuntime.h"

#include <mutex>
#include <string>
#include <vector>

#include "platform/automation/ClassRegistry.h"
#include "platform/automation/ComInit.h"
#include "platform/automation/InprocModules.h"

namespace {

struct OfferedClass {
    DWORD dwCookie;
    CLSID clsid;
    DWORD dwContext;
    IUnknown* pUnk;
};

std::mutex& OfferedLock() {
    static std::mutex lock;
    return lock;
}

// Never destroyed: a class object revoked during static destruction must still find the table.
std::vector<OfferedClass>& Offered() {
    static auto* table = new std::vector<OfferedClass>;
    return *table;
}

DWORD g_dwNextCookie = 1;

// The offered class object for the class and context, with a reference added, or null.
IUnknown* FindOffered(REFCLSID rclsid, DWORD dwClsContext) {
    std::lock_guard<std::mutex> guard(OfferedLock());
    for (const OfferedClass& entry : Offered()) {
        if (entry.clsid == rclsid && (entry.dwContext & dwClsContext) != 0) {
            entry.pUnk->AddRef();
            return entry.pUnk;
        }
    }
    return nullptr;
}

}  // namespace

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID, REFIID riid, LPVOID* ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (GetComInitCount() <= 0)
        return CO_E_NOTINITIALIZED;
    if ((dwClsContext & CLSCTX_ALL) == 0)
        return E_INVALIDARG;
    if (IUnknown* pUnk = FindOffered(rclsid, dwClsContext)) {
        HRESULT hr = pUnk->QueryInterface(riid, ppv);
        pUnk->Release();
        return hr;
    }
    // Every class runs in this process: a context naming any kind of server may use its module.
    if ((dwClsContext & CLSCTX_SERVER) == 0)
        return REGDB_E_CLASSNOTREG;
    std::string module;
    HRESULT hr = GetInprocServerModule(rclsid, module);
    if (FAILED(hr))
        return hr;
    PFN_GET_CLASS_OBJECT pfnGetClassObject = FindInprocModule(module.c_str());
    if (pfnGetClassObject == nullptr)
        return CO_E_DLLNOTFOUND;
    return pfnGetClassObject(rclsid, riid, ppv);
}

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    IClassFactory* pFactory = nullptr;
    HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory,
                                  reinterpret_cast<LPVOID*>(&pFactory));
    if (FAILED(hr))
        return hr;
    hr = pFactory->CreateInstance(pUnkOuter, riid, ppv);
    pFactory->Release();
    return hr;
}

HRESULT CoRegisterClassObject(REFCLSID rclsid, IUnknown* pUnk, DWORD dwClsContext, DWORD,
                              LPDWORD lpdwRegister) {
    if (pUnk == nullptr || lpdwRegister == nullptr)
        return E_INVALIDARG;
    *lpdwRegister = 0;
    if (GetComInitCount() <= 0)
        return CO_E_NOTINITIALIZED;
    std::lock_guard<std::mutex> guard(OfferedLock());
    pUnk->AddRef();
    const DWORD dwCookie = g_dwNextCookie++;
    // Newest first: a class offered again answers with its latest object.
    Offered().insert(Offered().begin(), OfferedClass{dwCookie, rclsid, dwClsContext, pUnk});
    *lpdwRegister = dwCookie;
    return S_OK;
}

HRESULT CoRevokeClassObject(DWORD dwRegister) {
    IUnknown* pUnk = nullptr;
    {
        std::lock_guard<std::mutex> guard(OfferedLock());
        for (auto it = Offered().begin(); it != Offered().end(); ++it) {
            if (it->dwCookie == dwRegister) {
                pUnk = it->pUnk;
                Offered().erase(it);
                break;
            }
        }
    }
    if (pUnk == nullptr)
        return CO_E_OBJNOTREG;
    // Released outside the lock: the object's destructor may call back into the runtime.
    pUnk->Release();
    return S_OK;
}

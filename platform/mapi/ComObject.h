// Reference counting and interface lookup shared by every object of the message-store service.
#pragma once

#include <atomic>

#include "platform/mapi/HookState.h"
#include "platform/mapi/MAPIInterfaces.h"

namespace qrvmapi {

// An object made with a reference count of 1 that its maker hands to the caller.
template <class Interface>
class CComObject : public Interface, public CLiveObject {
public:
    HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
        if (ppvObject == nullptr) {
            return E_POINTER;
        }
        *ppvObject = nullptr;
        if (riid == IID_IUnknown || Supports(riid)) {
            *ppvObject = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override {
        ULONG refs = --m_refs;
        if (refs == 0) {
            delete this;
        }
        return refs;
    }

protected:
    // Whether the object answers to the interface (IUnknown is always answered).
    virtual bool Supports(REFIID riid) const = 0;

private:
    std::atomic<ULONG> m_refs{1};
};

// Whether an interface asked for by OpenEntry fits an object: null asks for its own interface.
inline bool InterfaceFits(LPCIID lpInterface, std::initializer_list<const IID*> offered) {
    if (lpInterface == nullptr || *lpInterface == IID_IUnknown) {
        return true;
    }
    for (const IID* iid : offered) {
        if (*lpInterface == *iid) {
            return true;
        }
    }
    return false;
}

// Keeps one reference and releases it at the end of the scope.
template <class T>
class CComPtr {
public:
    CComPtr() = default;
    explicit CComPtr(T* p) : m_p(p) {}
    ~CComPtr() {
        if (m_p != nullptr) {
            m_p->Release();
        }
    }
    CComPtr(const CComPtr&) = delete;
    CComPtr& operator=(const CComPtr&) = delete;
    T* operator->() const { return m_p; }
    T* Get() const { return m_p; }
    T** operator&() { return &m_p; }
    T* Detach() {
        T* p = m_p;
        m_p = nullptr;
        return p;
    }

private:
    T* m_p = nullptr;
};

}  // namespace qrvmapi

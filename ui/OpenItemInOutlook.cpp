// Driving the mail client by automation: the session set-up, the item lookup and its display.
#include "ui/OpenItemInOutlook.h"

#include <cstdlib>

#include "engine/EntryReference.h"
#include "model/BinaryKey.h"
#include "model/ConfigInfo.h"
#include "model/ErrorBoxes.h"
#include "model/StoreInfo.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/automation/ComRuntime.h"
#include "platform/automation/ItemViewerWindow.h"
#include "platform/automation/StorePasswordWindow.h"
#include "platform/mapi/MAPICodes.h"
#include "trace/Trace.h"

namespace {

// Every call passes the user's default locale and no named arguments.
constexpr LCID INVOKE_LOCALE = LOCALE_USER_DEFAULT;
// In-process, local and remote servers: wherever the mail client happens to run.
constexpr DWORD MAILCLIENT_CONTEXT = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

void TraceInvokeFailure(HRESULT hr, UINT uArgErr) {
    if (hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND)
        QTRACE(TRACE_ERROR, "Invoke() failed: hr = 0x%08lx, parameter index is %d\n", hr, (int)uArgErr);
    else
        QTRACE(TRACE_ERROR, "Invoke() failed: hr = 0x%08lx\n", hr);
}

HRESULT InvokeTraced(IDispatch* pDispatch, DISPID dispid, WORD wFlags, VARIANT* pArgs, UINT cArgs,
                     VARIANT* pResult) {
    DISPPARAMS params = {pArgs, nullptr, cArgs, 0};
    UINT uArgErr = 0;
    HRESULT hr =
        pDispatch->Invoke(dispid, IID_NULL, INVOKE_LOCALE, wFlags, &params, pResult, nullptr, &uArgErr);
    if (FAILED(hr))
        TraceInvokeFailure(hr, uArgErr);
    return hr;
}

// A heap array of initialised VARIANTs for one call; freed with FreeArgs.
VARIANT* AllocArgs(UINT cArgs) {
    auto* pArgs = static_cast<VARIANT*>(std::calloc(cArgs, sizeof(VARIANT)));
    for (UINT i = 0; pArgs != nullptr && i < cArgs; ++i)
        VariantInit(&pArgs[i]);
    return pArgs;
}

// The BSTRs in the array are the caller's wide copies, freed by the caller: only the array goes.
void FreeArgs(VARIANT* pArgs) {
    std::free(pArgs);
}

}  // namespace

COpenItemInOutlook::COpenItemInOutlook() : m_pApplication(nullptr), m_pNameSpace(nullptr) {
    TRACE_CTOR("COpenItemInOutlook");
    // The mail client runs in this process and shows its items and its password prompt in the
    // program's own toolkit; a viewer or prompt installed before (a test's) stays.
    if (GetItemViewer() == nullptr)
        SetItemViewer(ItemViewerWindow());
    if (GetStorePasswordPrompt() == nullptr)
        SetStorePasswordPrompt(StorePasswordWindow());
}

COpenItemInOutlook::~COpenItemInOutlook() {
    TRACE_DTOR("COpenItemInOutlook");
    if (m_pApplication != nullptr) {
        m_pApplication->Release();
        m_pApplication = nullptr;
    }
    if (m_pNameSpace != nullptr) {
        m_pNameSpace->Release();
        m_pNameSpace = nullptr;
    }
}

void COpenItemInOutlook::ShowOpenFailure(CWnd* pParent, HRESULT hr) {
    if (SUCCEEDED(hr) || hr == MAPI_E_USER_CANCEL)
        return;
    ShowError(pParent, hr);
}

HRESULT COpenItemInOutlook::GetDispID(IDispatch* pDispatch, LPCSTR pszName, DISPID* pDispID) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("COpenItemInOutlook::GetDispID", hr);
    BSTR bstrName = BstrFromUtf8(pszName);
    if (pDispatch == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid interface pointer specified!\n");
        hr = E_INVALIDARG;
    } else if (pszName == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid name specified!\n");
        hr = E_INVALIDARG;
    } else if (bstrName == nullptr) {
        hr = E_OUTOFMEMORY;
    } else {
        LPOLESTR names[1] = {bstrName};
        hr = pDispatch->GetIDsOfNames(IID_NULL, names, 1, INVOKE_LOCALE, pDispID);
        if (FAILED(hr))
            QTRACE(TRACE_ERROR, "GetIDsOfNames() failed: hr = 0x%08lx\n", hr);
    }
    SysFreeString(bstrName);
    return hr;
}

HRESULT COpenItemInOutlook::InitOutlookSession(LPCSTR pszProfile, LPCSTR pszPassword) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("COpenItemInOutlook::InitOutlookSession", hr);
    BSTR bstrProfile = BstrFromUtf8(pszProfile);
    BSTR bstrPassword = BstrFromUtf8(pszPassword);
    VARIANT result;
    VariantInit(&result);
    IDispatch* pApplication = nullptr;
    IDispatch* pNameSpace = nullptr;
    VARIANT* pArgs = nullptr;
    CLSID clsid{};
    DISPID dispid = DISPID_UNKNOWN;

    do {
        if (pszProfile == nullptr) {
            QTRACE(TRACE_ERROR, "Failure: Invalid profile specified!\n");
            hr = E_INVALIDARG;
            break;
        }
        if (m_pNameSpace != nullptr)
            break;
        // A copy that could not be made must not pass for "no password".
        if (bstrProfile == nullptr || (pszPassword != nullptr && bstrPassword == nullptr)) {
            hr = E_OUTOFMEMORY;
            break;
        }
        hr = CLSIDFromProgID(u"Outlook.Application", &clsid);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "Failed to retrieve application object!\n");
            break;
        }
        hr = CoCreateInstance(clsid, nullptr, MAILCLIENT_CONTEXT, IID_IDispatch,
                              reinterpret_cast<LPVOID*>(&pApplication));
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "CoCreateInstance() failed: hr = 0x%08lx\n", hr);
            break;
        }
        hr = GetDispID(pApplication, "Session", &dispid);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "GetDispID(Session) failed: hr = 0x%08lx\n", hr);
            break;
        }
        hr = InvokeTraced(pApplication, dispid, DISPATCH_PROPERTYGET, nullptr, 0, &result);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "pApplication->Invoke() failed: hr = 0x%08lx\n", hr);
            break;
        }
        if (result.vt != VT_DISPATCH) {
            QTRACE(TRACE_ERROR, "Invalid return type %d (expected VT_DISPATCH=%d)\n", (int)result.vt,
                   (int)VT_DISPATCH);
            hr = E_UNEXPECTED;
            break;
        }
        pNameSpace = result.pdispVal;
        // A VT_DISPATCH result may carry no object; nothing could be logged on with it.
        if (pNameSpace == nullptr) {
            QTRACE(TRACE_ERROR, "Unexpected NULL return pointer!\n");
            hr = E_UNEXPECTED;
            break;
        }
        pNameSpace->AddRef();

        pArgs = AllocArgs(4);
        if (pArgs == nullptr) {
            QTRACE(TRACE_ERROR, "malloc() failed: Unable to create variant array!\n");
            hr = E_OUTOFMEMORY;
            break;
        }
        // Reverse order: the last element is the first argument.
        pArgs[3].vt = VT_BSTR;
        pArgs[3].bstrVal = bstrProfile;
        pArgs[2].vt = VT_BSTR;
        pArgs[2].bstrVal = bstrPassword;
        pArgs[1].vt = VT_BOOL;
        pArgs[1].boolVal = VARIANT_FALSE;
        pArgs[0].vt = VT_BOOL;
        pArgs[0].boolVal = VARIANT_FALSE;

        hr = GetDispID(pNameSpace, "Logon", &dispid);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "GetDispID(Logon) failed: hr = 0x%08lx\n", hr);
            break;
        }
        hr = InvokeTraced(pNameSpace, dispid, DISPATCH_METHOD, pArgs, 4, nullptr);
        if (FAILED(hr))
            break;

        pApplication->AddRef();
        m_pApplication = pApplication;
        pNameSpace->AddRef();
        m_pNameSpace = pNameSpace;
    } while (false);

    VariantClear(&result);
    if (pNameSpace != nullptr)
        pNameSpace->Release();
    if (pApplication != nullptr)
        pApplication->Release();
    FreeArgs(pArgs);
    SysFreeString(bstrProfile);
    SysFreeString(bstrPassword);
    return hr;
}

HRESULT COpenItemInOutlook::GetItem(LPCSTR pszStoreID, LPCSTR pszEntryID, IDispatch** ppItem) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("COpenItemInOutlook::GetItem", hr);
    BSTR bstrStoreID = BstrFromUtf8(pszStoreID);
    BSTR bstrEntryID = BstrFromUtf8(pszEntryID);
    VARIANT result;
    VariantInit(&result);
    VARIANT* pArgs = nullptr;
    DISPID dispid = DISPID_UNKNOWN;

    do {
        if (m_pNameSpace == nullptr) {
            QTRACE(TRACE_ERROR, "Failure: No outlook session present!\n");
            hr = E_UNEXPECTED;
            break;
        }
        if (pszStoreID == nullptr) {
            QTRACE(TRACE_ERROR, "Failure: Invalid store ID specified!\n");
            hr = E_INVALIDARG;
            break;
        }
        if (pszEntryID == nullptr) {
            QTRACE(TRACE_ERROR, "Failure: Invalid entry ID specified!\n");
            hr = E_INVALIDARG;
            break;
        }
        if (ppItem == nullptr || bstrStoreID == nullptr || bstrEntryID == nullptr) {
            hr = ppItem == nullptr ? E_INVALIDARG : E_OUTOFMEMORY;
            break;
        }
        pArgs = AllocArgs(2);
        if (pArgs == nullptr) {
            QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate variant array!\n");
            hr = E_OUTOFMEMORY;
            break;
        }
        pArgs[1].vt = VT_BSTR;
        pArgs[1].bstrVal = bstrEntryID;
        pArgs[0].vt = VT_BSTR;
        pArgs[0].bstrVal = bstrStoreID;

        hr = GetDispID(m_pNameSpace, "GetItemFromID", &dispid);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "GetDispID() failed: hr = 0x%08lx\n", hr);
            break;
        }
        hr = InvokeTraced(m_pNameSpace, dispid, DISPATCH_METHOD, pArgs, 2, &result);
        if (FAILED(hr))
            break;
        if (result.vt != VT_DISPATCH) {
            QTRACE(TRACE_ERROR, "Unexpected return type %d (expected type VT_DISPATCH=%d)\n", (int)result.vt,
                   (int)VT_DISPATCH);
            hr = E_UNEXPECTED;
            break;
        }
        if (result.pdispVal == nullptr) {
            QTRACE(TRACE_ERROR, "Unexpected NULL return pointer!\n");
            hr = E_UNEXPECTED;
            break;
        }
        result.pdispVal->AddRef();
        *ppItem = result.pdispVal;
    } while (false);

    VariantClear(&result);
    FreeArgs(pArgs);
    SysFreeString(bstrStoreID);
    SysFreeString(bstrEntryID);
    return hr;
}

HRESULT COpenItemInOutlook::DisplayItem(IDispatch* pItem) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("COpenItemInOutlook::DisplayItem", hr);
    if (pItem == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid item pointer specified!\n");
        hr = E_INVALIDARG;
        return hr;
    }
    DISPID dispid = DISPID_UNKNOWN;
    hr = GetDispID(pItem, "Display", &dispid);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetDispID() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    // Display(Modal := FALSE): the item's window opens beside the program's.
    VARIANT modal;
    VariantInit(&modal);
    modal.vt = VT_BOOL;
    modal.boolVal = VARIANT_FALSE;
    hr = InvokeTraced(pItem, dispid, DISPATCH_METHOD, &modal, 1, nullptr);
    VariantClear(&modal);
    return hr;
}

HRESULT COpenItemInOutlook::OpenEntry(CConfigInfo* pConfig, CEntryReference* pEntry) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("COpenItemInOutlook::OpenEntry", hr);
    if (pEntry == nullptr) {
        QTRACE(TRACE_ERROR, "Missing item data object!\n");
        hr = E_UNEXPECTED;
        return hr;
    }
    if (pConfig == nullptr) {
        QTRACE(TRACE_ERROR, "No configuration object present!\n");
        hr = E_FAIL;
        return hr;
    }
    CStoreInfo* pStore = nullptr;
    SBinary storeKey = {0, nullptr};
    SBinary entryID = {0, nullptr};
    LPSTR pszEntryHex = nullptr;
    LPSTR pszStoreHex = nullptr;
    IDispatch* pItem = nullptr;

    do {
        if (m_pNameSpace == nullptr) {
            // Only the first open of a page looks at the profile: the session then stays with it.
            const CString strProfile = pConfig->GetProfileName();
            const CString strPassword = pConfig->GetProfilePassword();
            const BOOL bPassword = pConfig->HasProfilePassword();
            hr = InitOutlookSession(strProfile, bPassword ? (LPCSTR)strPassword : nullptr);
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "InitOutlookSession() failed: hr = 0x%08lx\n", hr);
                break;
            }
        }
        pStore = pConfig->GetStore((int)pEntry->GetStoreIndex());
        if (pStore == nullptr) {
            QTRACE(TRACE_ERROR, "GetStore() failed: StoreInfo is NULL\n");
            hr = E_FAIL;
            break;
        }
        hr = pStore->GetStoreKey(&storeKey);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "GetStoreKey() failed: hr = 0x%08lx\n", hr);
            break;
        }
        hr = pEntry->GetEntryID(&entryID);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "GetEntryID() failed: hr = 0x%08lx\n", hr);
            break;
        }
        hr = SBin2String(entryID, &pszEntryHex);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "SBin2String(EntryID) failed: hr = 0x%08lx\n", hr);
            break;
        }
        hr = SBin2String(storeKey, &pszStoreHex);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "SBin2String(StoreID) failed: hr = 0x%08lx\n", hr);
            break;
        }
        hr = GetItem(pszStoreHex, pszEntryHex, &pItem);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "GetItem() failed: hr = 0x%08lx\n", hr);
            break;
        }
        hr = DisplayItem(pItem);
        if (FAILED(hr))
            QTRACE(TRACE_ERROR, "DisplayItem() failed: hr = 0x%08lx\n", hr);
    } while (false);

    if (pStore != nullptr)
        pStore->Release();
    std::free(storeKey.lpb);
    std::free(entryID.lpb);
    std::free(pszEntryHex);
    std::free(pszStoreHex);
    if (pItem != nullptr)
        pItem->Release();
    return hr;
}

// Member lookup, argument checks and exception descriptions shared by the automation objects.
#include "platform/automation/DispatchObject.h"

#include <strings.h>

#include "platform/win32/CodePage.h"

namespace {
std::atomic<LONG> g_liveObjects{0};
}  // namespace

// ---- CDispArgs ----

const VARIANT* CDispArgs::Resolve(UINT nIndex) const {
    if (nIndex >= m_params.cArgs || m_params.rgvarg == nullptr)
        return nullptr;
    const VARIANT* pv = &m_params.rgvarg[ArrayIndex(nIndex)];
    // A variant passed by reference stands for the one it points at.
    if (pv->vt == (VT_BYREF | VT_VARIANT))
        pv = pv->pvarVal;
    return pv;
}

bool CDispArgs::IsMissing(UINT nIndex) const {
    const VARIANT* pv = Resolve(nIndex);
    return pv == nullptr || pv->vt == VT_EMPTY || (pv->vt == VT_ERROR && pv->scode == DISP_E_PARAMNOTFOUND);
}

HRESULT CDispArgs::GetText(UINT nIndex, bool bOptional, std::string& text, bool* pbPresent,
                           UINT* puArgErr) const {
    text.clear();
    if (pbPresent != nullptr)
        *pbPresent = false;
    if (IsMissing(nIndex)) {
        if (bOptional)
            return S_OK;
        if (puArgErr != nullptr && nIndex < Count())
            *puArgErr = ArrayIndex(nIndex);
        return DISP_E_PARAMNOTOPTIONAL;
    }
    const VARIANT* pv = Resolve(nIndex);
    BSTR bstr = nullptr;
    if (pv->vt == VT_BSTR)
        bstr = pv->bstrVal;
    else if (pv->vt == (VT_BYREF | VT_BSTR) && pv->pbstrVal != nullptr)
        bstr = *pv->pbstrVal;
    else {
        if (puArgErr != nullptr)
            *puArgErr = ArrayIndex(nIndex);
        return DISP_E_TYPEMISMATCH;
    }
    text = Utf8FromBstr(bstr);
    if (pbPresent != nullptr)
        *pbPresent = true;
    return S_OK;
}

HRESULT CDispArgs::GetBool(UINT nIndex, bool bDefault, bool& value, UINT* puArgErr) const {
    value = bDefault;
    if (IsMissing(nIndex))
        return S_OK;
    const VARIANT* pv = Resolve(nIndex);
    switch (pv->vt) {
        case VT_BOOL:
            value = pv->boolVal != VARIANT_FALSE;
            return S_OK;
        case VT_I2:
            value = pv->iVal != 0;
            return S_OK;
        case VT_I4:
        case VT_INT:
            value = pv->lVal != 0;
            return S_OK;
        case VT_BYREF | VT_BOOL:
            if (pv->pboolVal != nullptr) {
                value = *pv->pboolVal != VARIANT_FALSE;
                return S_OK;
            }
            break;
        default:
            break;
    }
    if (puArgErr != nullptr)
        *puArgErr = ArrayIndex(nIndex);
    return DISP_E_TYPEMISMATCH;
}

// ---- CDispatchObject ----

CDispatchObject::CDispatchObject() {
    ++g_liveObjects;
}

CDispatchObject::~CDispatchObject() {
    --g_liveObjects;
}

LONG CDispatchObject::LiveObjects() {
    return g_liveObjects.load();
}

HRESULT CDispatchObject::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr)
        return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
        *ppvObject = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG CDispatchObject::AddRef() {
    return ++m_cRef;
}

ULONG CDispatchObject::Release() {
    const ULONG cRef = --m_cRef;
    if (cRef == 0)
        delete this;
    return cRef;
}

HRESULT CDispatchObject::GetTypeInfoCount(UINT* pctinfo) {
    if (pctinfo == nullptr)
        return E_INVALIDARG;
    *pctinfo = 0;
    return S_OK;
}

HRESULT CDispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo != nullptr)
        *ppTInfo = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT CDispatchObject::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID,
                                       DISPID* rgDispId) {
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (rgszNames == nullptr || rgDispId == nullptr || cNames == 0)
        return E_INVALIDARG;
    for (UINT i = 0; i < cNames; ++i)
        rgDispId[i] = DISPID_UNKNOWN;
    if (rgszNames[0] == nullptr)
        return DISP_E_UNKNOWNNAME;
    const std::string name = Utf16ToUtf8(rgszNames[0]);
    for (const DispMember* pMember = Members(); pMember->pszName != nullptr; ++pMember) {
        if (strcasecmp(pMember->pszName, name.c_str()) == 0) {
            rgDispId[0] = pMember->dispid;
            // The members take no named arguments, so further names are unknown.
            return cNames == 1 ? S_OK : DISP_E_UNKNOWNNAME;
        }
    }
    return DISP_E_UNKNOWNNAME;
}

const DispMember* CDispatchObject::FindMember(DISPID dispid) const {
    for (const DispMember* pMember = Members(); pMember->pszName != nullptr; ++pMember) {
        if (pMember->dispid == dispid)
            return pMember;
    }
    return nullptr;
}

HRESULT CDispatchObject::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                                VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) {
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (pDispParams == nullptr || (pDispParams->cArgs > 0 && pDispParams->rgvarg == nullptr))
        return E_INVALIDARG;
    const DispMember* pMember = FindMember(dispIdMember);
    if (pMember == nullptr || (pMember->wKinds & wFlags) == 0)
        return DISP_E_MEMBERNOTFOUND;
    if (pDispParams->cNamedArgs > 0)
        return DISP_E_NONAMEDARGS;
    if (pDispParams->cArgs < pMember->cMinArgs || pDispParams->cArgs > pMember->cMaxArgs)
        return DISP_E_BADPARAMCOUNT;

    VARIANT scratch;
    VariantInit(&scratch);
    VARIANT* pResult = pVarResult != nullptr ? pVarResult : &scratch;
    if (pVarResult != nullptr)
        VariantInit(pVarResult);
    DispFailure failure;
    CDispArgs args(*pDispParams);
    HRESULT hr = InvokeMember(dispIdMember, args, pResult, puArgErr, failure);
    VariantClear(&scratch);
    if (SUCCEEDED(hr))
        return hr;
    if (pVarResult != nullptr)
        VariantClear(pVarResult);
    if (failure.description.empty() || pExcepInfo == nullptr)
        return hr;
    *pExcepInfo = EXCEPINFO{};
    pExcepInfo->bstrSource = BstrFromUtf8(SourceName());
    pExcepInfo->bstrDescription = BstrFromUtf8(failure.description);
    pExcepInfo->scode = hr;
    return DISP_E_EXCEPTION;
}

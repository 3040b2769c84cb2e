// VARIANT initialisation, clearing and copying for the scalar types the runtime passes.
#include "platform/automation/Variant.h"

#include "platform/automation/Dispatch.h"

namespace {

bool IsKnownScalar(VARTYPE vt) {
    switch (vt) {
        case VT_EMPTY:
        case VT_NULL:
        case VT_I2:
        case VT_I4:
        case VT_R4:
        case VT_R8:
        case VT_CY:
        case VT_DATE:
        case VT_BSTR:
        case VT_DISPATCH:
        case VT_ERROR:
        case VT_BOOL:
        case VT_UNKNOWN:
        case VT_I1:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_I8:
        case VT_UI8:
        case VT_INT:
        case VT_UINT:
            return true;
        default:
            return false;
    }
}

// A by-reference value points at storage its caller owns; VT_BYREF | VT_VARIANT may point at any
// known variant.
bool IsKnownType(VARTYPE vt) {
    if ((vt & VT_BYREF) != 0) {
        const VARTYPE base = static_cast<VARTYPE>(vt & ~VT_BYREF);
        return base == VT_VARIANT || (base != VT_EMPTY && base != VT_NULL && IsKnownScalar(base));
    }
    return IsKnownScalar(vt);
}

}  // namespace

void VariantInit(VARIANTARG* pvarg) {
    if (pvarg == nullptr)
        return;
    pvarg->vt = VT_EMPTY;
    pvarg->wReserved1 = pvarg->wReserved2 = pvarg->wReserved3 = 0;
    pvarg->llVal = 0;
}

HRESULT VariantClear(VARIANTARG* pvarg) {
    if (pvarg == nullptr)
        return E_INVALIDARG;
    if (!IsKnownType(pvarg->vt))
        return DISP_E_BADVARTYPE;
    switch (pvarg->vt) {
        case VT_BSTR:
            SysFreeString(pvarg->bstrVal);
            break;
        case VT_DISPATCH:
            if (pvarg->pdispVal != nullptr)
                pvarg->pdispVal->Release();
            break;
        case VT_UNKNOWN:
            if (pvarg->punkVal != nullptr)
                pvarg->punkVal->Release();
            break;
        default:
            break;
    }
    VariantInit(pvarg);
    return S_OK;
}

HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc) {
    if (pvargDest == nullptr || pvargSrc == nullptr)
        return E_INVALIDARG;
    if (!IsKnownType(pvargSrc->vt))
        return DISP_E_BADVARTYPE;
    if (pvargDest == pvargSrc)
        return S_OK;
    HRESULT hr = VariantClear(pvargDest);
    if (FAILED(hr))
        return hr;
    VARIANT copy = *pvargSrc;
    switch (copy.vt) {
        case VT_BSTR:
            if (pvargSrc->bstrVal != nullptr) {
                copy.bstrVal = SysAllocStringLen(pvargSrc->bstrVal, SysStringLen(pvargSrc->bstrVal));
                if (copy.bstrVal == nullptr)
                    return E_OUTOFMEMORY;
            }
            break;
        case VT_DISPATCH:
            if (copy.pdispVal != nullptr)
                copy.pdispVal->AddRef();
            break;
        case VT_UNKNOWN:
            if (copy.punkVal != nullptr)
                copy.punkVal->AddRef();
            break;
        default:
            break;
    }
    *pvargDest = copy;
    return S_OK;
}

void ClearExcepInfo(EXCEPINFO* pExcepInfo) {
    if (pExcepInfo == nullptr)
        return;
    SysFreeString(pExcepInfo->bstrSource);
    SysFreeString(pExcepInfo->bstrDescription);
    SysFreeString(pExcepInfo->bstrHelpFile);
    *pExcepInfo = EXCEPINFO{};
}

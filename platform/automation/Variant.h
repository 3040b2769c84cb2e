// VARIANT: the tagged value that dispatch calls pass and return.
#pragma once

#include "platform/automation/Bstr.h"
#include "platform/automation/ComTypes.h"

struct IDispatch;

typedef WORD VARTYPE;
typedef SHORT VARIANT_BOOL;
typedef double DATE;
#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
};

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONGLONG llVal;
        ULONGLONG ullVal;
        LONG lVal;
        ULONG ulVal;
        BYTE bVal;
        SHORT iVal;
        USHORT uiVal;
        CHAR cVal;
        INT intVal;
        UINT uintVal;
        FLOAT fltVal;
        DOUBLE dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        DATE date;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        BSTR* pbstrVal;
        LONG* plVal;
        VARIANT_BOOL* pboolVal;
        VARIANT* pvarVal;
        void* byref;
    };
};
typedef VARIANT VARIANTARG;
typedef VARIANT* LPVARIANT;

// Sets the type to VT_EMPTY; the old value is not looked at.
void VariantInit(VARIANTARG* pvarg);
// Frees what the value owns (a BSTR, a reference on an interface) and sets VT_EMPTY. By-reference
// values own nothing. DISP_E_BADVARTYPE for a type this runtime does not know (arrays among them),
// the value then left as it was.
HRESULT VariantClear(VARIANTARG* pvarg);
// Clears the destination, then copies the source with its own BSTR copy or interface reference.
HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc);

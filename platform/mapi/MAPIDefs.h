// The message-store service's data types: property values, rows, tag arrays, names, restrictions.
#pragma once

#include <cstddef>

#include "platform/mapi/MAPICodes.h"
#include "platform/mapi/MAPITags.h"
#include "platform/win32/WinTypes.h"

// Trailing arrays are declared with one element and allocated to their real length.
#define MAPI_DIM 1

typedef ULONG FLAGS;

// Text properties of this build are the 8-bit (UTF-8) kind, so the unicode flag is off by default.
#define fMapiUnicode 0

// ---------------------------------------------------------------------------------------------
// Property tags: the high 16 bits are the id, the low 16 bits the type.
#define PROP_TYPE_MASK ((ULONG)0x0000FFFF)
#define PROP_TYPE(ulPropTag) (((ULONG)(ulPropTag)) & PROP_TYPE_MASK)
#define PROP_ID(ulPropTag) (((ULONG)(ulPropTag)) >> 16)
#define PROP_TAG(ulPropType, ulPropID) ((((ULONG)(ulPropID)) << 16) | ((ULONG)(ulPropType)))
#define CHANGE_PROP_TYPE(ulPropTag, ulPropType) \
    (((ULONG)0xFFFF0000 & ((ULONG)(ulPropTag))) | ((ULONG)(ulPropType)))
#define PROP_ID_NULL 0
#define PROP_ID_INVALID 0xFFFF
#define PR_NULL PROP_TAG(PT_NULL, PROP_ID_NULL)

// Property types.
#define PT_UNSPECIFIED ((ULONG)0)
#define PT_NULL ((ULONG)1)
#define PT_I2 ((ULONG)2)
#define PT_LONG ((ULONG)3)
#define PT_R4 ((ULONG)4)
#define PT_DOUBLE ((ULONG)5)
#define PT_CURRENCY ((ULONG)6)
#define PT_APPTIME ((ULONG)7)
#define PT_ERROR ((ULONG)10)
#define PT_BOOLEAN ((ULONG)11)
#define PT_OBJECT ((ULONG)13)
#define PT_I8 ((ULONG)20)
#define PT_STRING8 ((ULONG)30)
#define PT_UNICODE ((ULONG)31)
#define PT_SYSTIME ((ULONG)64)
#define PT_CLSID ((ULONG)72)
#define PT_BINARY ((ULONG)258)

#define PT_SHORT PT_I2
#define PT_I4 PT_LONG
#define PT_FLOAT PT_R4
#define PT_R8 PT_DOUBLE
#define PT_LONGLONG PT_I8
#define PT_TSTRING PT_STRING8

#define MV_FLAG 0x1000
#define MV_INSTANCE 0x2000
#define MVI_FLAG (MV_FLAG | MV_INSTANCE)
#define MVI_PROP(tag) ((tag) | MVI_FLAG)

#define PT_MV_I2 (MV_FLAG | PT_I2)
#define PT_MV_LONG (MV_FLAG | PT_LONG)
#define PT_MV_R4 (MV_FLAG | PT_R4)
#define PT_MV_DOUBLE (MV_FLAG | PT_DOUBLE)
#define PT_MV_CURRENCY (MV_FLAG | PT_CURRENCY)
#define PT_MV_APPTIME (MV_FLAG | PT_APPTIME)
#define PT_MV_SYSTIME (MV_FLAG | PT_SYSTIME)
#define PT_MV_STRING8 (MV_FLAG | PT_STRING8)
#define PT_MV_BINARY (MV_FLAG | PT_BINARY)
#define PT_MV_UNICODE (MV_FLAG | PT_UNICODE)
#define PT_MV_CLSID (MV_FLAG | PT_CLSID)
#define PT_MV_I8 (MV_FLAG | PT_I8)

#define PT_MV_SHORT PT_MV_I2
#define PT_MV_I4 PT_MV_LONG
#define PT_MV_FLOAT PT_MV_R4
#define PT_MV_R8 PT_MV_DOUBLE
#define PT_MV_LONGLONG PT_MV_I8
#define PT_MV_TSTRING PT_MV_STRING8

// The size of one element of a multi-valued type whose elements have a fixed size (integers, reals,
// times, GUIDs); 0 for text, binary and unknown types. The multi-valued flag itself is not looked at.
inline size_t FixedElementSize(ULONG ulMvType) {
    switch (ulMvType & ~(ULONG)MV_FLAG) {
        case PT_I2:
            return 2;
        case PT_LONG:
        case PT_R4:
            return 4;
        case PT_DOUBLE:
        case PT_CURRENCY:
        case PT_APPTIME:
        case PT_I8:
        case PT_SYSTIME:
            return 8;
        case PT_CLSID:
            return 16;
        default:
            return 0;
    }
}

// ---------------------------------------------------------------------------------------------
// Value structures.

// A currency amount: a 64-bit integer scaled by 10,000, also reachable as two 32-bit halves.
union CURRENCY {
    struct {
        ULONG Lo;
        LONG Hi;
    };
    LONGLONG int64;
};
typedef CURRENCY CY;

struct SBinary {
    ULONG cb;
    LPBYTE lpb;
};
typedef SBinary* LPSBinary;

struct SShortArray {
    ULONG cValues;
    SHORT* lpi;
};
struct SLongArray {
    ULONG cValues;
    LONG* lpl;
};
struct SRealArray {
    ULONG cValues;
    float* lpflt;
};
struct SDoubleArray {
    ULONG cValues;
    double* lpdbl;
};
struct SCurrencyArray {
    ULONG cValues;
    CURRENCY* lpcur;
};
struct SAppTimeArray {
    ULONG cValues;
    double* lpat;
};
struct SDateTimeArray {
    ULONG cValues;
    FILETIME* lpft;
};
struct SBinaryArray {
    ULONG cValues;
    SBinary* lpbin;
};
typedef SBinaryArray* LPSBinaryArray;
typedef SBinaryArray ENTRYLIST;
typedef SBinaryArray* LPENTRYLIST;
struct SLPSTRArray {
    ULONG cValues;
    LPSTR* lppszA;
};
struct SWStringArray {
    ULONG cValues;
    LPWSTR* lppszW;
};
struct SGuidArray {
    ULONG cValues;
    GUID* lpguid;
};
struct SLargeIntegerArray {
    ULONG cValues;
    LARGE_INTEGER* lpli;
};

// The value of one property; which member is valid follows from the type in the tag.
union _PV {
    SHORT i;                  // PT_I2
    LONG l;                   // PT_LONG
    ULONG ul;                 // PT_LONG, unsigned view
    float flt;                // PT_R4
    double dbl;               // PT_DOUBLE
    unsigned short b;         // PT_BOOLEAN
    CURRENCY cur;             // PT_CURRENCY
    double at;                // PT_APPTIME
    FILETIME ft;              // PT_SYSTIME
    LPSTR lpszA;              // PT_STRING8
    SBinary bin;              // PT_BINARY
    LPWSTR lpszW;             // PT_UNICODE
    LPGUID lpguid;            // PT_CLSID
    LARGE_INTEGER li;         // PT_I8
    SShortArray MVi;          // PT_MV_I2
    SLongArray MVl;           // PT_MV_LONG
    SRealArray MVflt;         // PT_MV_R4
    SDoubleArray MVdbl;       // PT_MV_DOUBLE
    SCurrencyArray MVcur;     // PT_MV_CURRENCY
    SAppTimeArray MVat;       // PT_MV_APPTIME
    SDateTimeArray MVft;      // PT_MV_SYSTIME
    SBinaryArray MVbin;       // PT_MV_BINARY
    SLPSTRArray MVszA;        // PT_MV_STRING8
    SWStringArray MVszW;      // PT_MV_UNICODE
    SGuidArray MVguid;        // PT_MV_CLSID
    SLargeIntegerArray MVli;  // PT_MV_I8
    SCODE err;                // PT_ERROR
    LONG x;                   // PT_NULL, PT_OBJECT: no usable value
};

struct SPropValue {
    ULONG ulPropTag;
    ULONG dwAlignPad;
    union _PV Value;
};
typedef SPropValue* LPSPropValue;

// ---------------------------------------------------------------------------------------------
// Tag arrays, rows and row sets.

struct SPropTagArray {
    ULONG cValues;
    ULONG aulPropTag[MAPI_DIM];
};
typedef SPropTagArray* LPSPropTagArray;

#define CbNewSPropTagArray(_ctag) (offsetof(SPropTagArray, aulPropTag) + (_ctag) * sizeof(ULONG))
#define CbSPropTagArray(_lparray) (offsetof(SPropTagArray, aulPropTag) + (_lparray)->cValues * sizeof(ULONG))
// A tag array of a fixed size, usable wherever an LPSPropTagArray is expected after a cast.
#define SizedSPropTagArray(_ctag, _name) \
    struct _SPropTagArray_##_name {      \
        ULONG cValues;                   \
        ULONG aulPropTag[_ctag];         \
    } _name

struct SRow {
    ULONG ulAdrEntryPad;
    ULONG cValues;
    LPSPropValue lpProps;
};
typedef SRow* LPSRow;

struct SRowSet {
    ULONG cRows;
    SRow aRow[MAPI_DIM];
};
typedef SRowSet* LPSRowSet;

#define CbNewSRowSet(_crow) (offsetof(SRowSet, aRow) + (_crow) * sizeof(SRow))
#define CbSRowSet(_lprs) (offsetof(SRowSet, aRow) + (_lprs)->cRows * sizeof(SRow))

struct SPropProblem {
    ULONG ulIndex;
    ULONG ulPropTag;
    SCODE scode;
};
struct SPropProblemArray {
    ULONG cProblem;
    SPropProblem aProblem[MAPI_DIM];
};
typedef SPropProblemArray* LPSPropProblemArray;
#define CbNewSPropProblemArray(_cprob) \
    (offsetof(SPropProblemArray, aProblem) + (_cprob) * sizeof(SPropProblem))

// ---------------------------------------------------------------------------------------------
// Identifiers.

struct ENTRYID {
    BYTE abFlags[4];
    BYTE ab[MAPI_DIM];
};
typedef ENTRYID* LPENTRYID;
#define CbNewENTRYID(_cb) (offsetof(ENTRYID, ab) + (_cb))

struct MAPIUID {
    BYTE ab[16];
};
typedef MAPIUID* LPMAPIUID;

#define MNID_ID 0
#define MNID_STRING 1

// The name of a named property: a property set and either a number or a (UTF-16) name.
struct MAPINAMEID {
    LPGUID lpguid;
    ULONG ulKind;
    union {
        LONG lID;
        LPWSTR lpwstrName;
    } Kind;
};
typedef MAPINAMEID* LPMAPINAMEID;

// ---------------------------------------------------------------------------------------------
// Restrictions (only a property comparison is evaluated by tables; the others exist for shape).

#define RES_AND ((ULONG)0)
#define RES_OR ((ULONG)1)
#define RES_NOT ((ULONG)2)
#define RES_CONTENT ((ULONG)3)
#define RES_PROPERTY ((ULONG)4)
#define RES_COMPAREPROPS ((ULONG)5)
#define RES_BITMASK ((ULONG)6)
#define RES_SIZE ((ULONG)7)
#define RES_EXIST ((ULONG)8)
#define RES_SUBRESTRICTION ((ULONG)9)
#define RES_COMMENT ((ULONG)10)

#define RELOP_LT ((ULONG)0)
#define RELOP_LE ((ULONG)1)
#define RELOP_GT ((ULONG)2)
#define RELOP_GE ((ULONG)3)
#define RELOP_EQ ((ULONG)4)
#define RELOP_NE ((ULONG)5)
#define RELOP_RE ((ULONG)6)

#define FL_FULLSTRING ((ULONG)0x00000000)
#define FL_SUBSTRING ((ULONG)0x00000001)
#define FL_PREFIX ((ULONG)0x00000002)
#define FL_IGNORECASE ((ULONG)0x00010000)
#define FL_IGNORENONSPACE ((ULONG)0x00020000)
#define FL_LOOSE ((ULONG)0x00040000)

#define BMR_EQZ ((ULONG)0)
#define BMR_NEZ ((ULONG)1)

struct SRestriction;
typedef SRestriction* LPSRestriction;

struct SAndRestriction {
    ULONG cRes;
    LPSRestriction lpRes;
};
struct SOrRestriction {
    ULONG cRes;
    LPSRestriction lpRes;
};
struct SNotRestriction {
    ULONG ulReserved;
    LPSRestriction lpRes;
};
struct SContentRestriction {
    ULONG ulFuzzyLevel;
    ULONG ulPropTag;
    LPSPropValue lpProp;
};
struct SPropertyRestriction {
    ULONG relop;
    ULONG ulPropTag;
    LPSPropValue lpProp;
};
struct SComparePropsRestriction {
    ULONG relop;
    ULONG ulPropTag1;
    ULONG ulPropTag2;
};
struct SBitMaskRestriction {
    ULONG relBMR;
    ULONG ulPropTag;
    ULONG ulMask;
};
struct SSizeRestriction {
    ULONG relop;
    ULONG ulPropTag;
    ULONG cb;
};
struct SExistRestriction {
    ULONG ulReserved1;
    ULONG ulPropTag;
    ULONG ulReserved2;
};
struct SSubRestriction {
    ULONG ulSubObject;
    LPSRestriction lpRes;
};
struct SCommentRestriction {
    ULONG cValues;
    LPSRestriction lpRes;
    LPSPropValue lpProp;
};

struct SRestriction {
    ULONG rt;
    union {
        SComparePropsRestriction resCompareProps;
        SAndRestriction resAnd;
        SOrRestriction resOr;
        SNotRestriction resNot;
        SContentRestriction resContent;
        SPropertyRestriction resProperty;
        SBitMaskRestriction resBitMask;
        SSizeRestriction resSize;
        SExistRestriction resExist;
        SSubRestriction resSub;
        SCommentRestriction resComment;
    } res;
};

// Sort orders (tables keep their natural order; the shape is here for callers that pass one).
#define TABLE_SORT_ASCEND ((ULONG)0x00000000)
#define TABLE_SORT_DESCEND ((ULONG)0x00000001)
struct SSortOrder {
    ULONG ulPropTag;
    ULONG ulOrder;
};
struct SSortOrderSet {
    ULONG cSorts;
    ULONG cCategories;
    ULONG cExpanded;
    SSortOrder aSort[MAPI_DIM];
};
typedef SSortOrderSet* LPSSortOrderSet;

// ---------------------------------------------------------------------------------------------
// Errors and initialisation.

struct MAPIERROR {
    ULONG ulVersion;
    LPSTR lpszError;
    LPSTR lpszComponent;
    ULONG ulLowLevelError;
    ULONG ulContext;
};
typedef MAPIERROR* LPMAPIERROR;

#define MAPI_INIT_VERSION 0
struct MAPIINIT_0 {
    ULONG ulVersion;
    ULONG ulFlags;
};
typedef MAPIINIT_0 MAPIINIT;
typedef MAPIINIT* LPMAPIINIT;

// Property sets of the named properties that items of the mail client carry.
inline constexpr GUID PS_MAPI = {0x00020328, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID PS_PUBLIC_STRINGS = {0x00020329, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID PSETID_Appointment = {0x00062002, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID PSETID_Task = {0x00062003, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID PSETID_Address = {0x00062004, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID PSETID_Common = {0x00062008, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID PSETID_Log = {0x0006200A, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID PSETID_Note = {0x0006200E, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

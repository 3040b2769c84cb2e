// The factory of label lines: the level class for a column is chosen by its property type.
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/PointerAccessMaps.h"
#include "engine/ValueAccessMaps.h"
#include "platform/win32/CodePage.h"

// A large search has one line per distinct value of every column: a line of one key must stay
// within a 48-byte pooled block (see LabelTable.h).
static_assert(sizeof(LongAccessMap<CSortDrawer>) <= 48 && sizeof(NarrowStringAccessMap<CDrawerMap>) <= 48 &&
                  sizeof(SystimeAccessMap<CDrawerMap>) <= 48 && sizeof(SBinaryAccessMap<CSortDrawer>) <= 48,
              "a label line of one key fits 48 bytes");

namespace {

// Builds the level of one class in the form for its line; NULL when it cannot be allocated.
template <template <class> class ACCESSMAP>
CDrawerMap* MakeLevel(bool fLastLine) {
    if (fLastLine) {
        return new (std::nothrow) ACCESSMAP<CSortDrawer>(TRUE);
    }
    return new (std::nothrow) ACCESSMAP<CDrawerMap>(FALSE);
}

// The one level of a class that stands for its key order: made in place on first use and never
// destroyed, so that it serves until the process ends, whatever is torn down before.
template <template <class> class ACCESSMAP>
CDrawerMap* KeysOf() {
    using Level = ACCESSMAP<CDrawerMap>;
    alignas(Level) static unsigned char s_storage[sizeof(Level)];
    static CDrawerMap* const s_pLevel = ::new (static_cast<void*>(s_storage)) Level(FALSE);
    return s_pLevel;
}

}  // namespace

CDrawerMap* CDrawerMap::KeysOfColumn(ULONG ulPropTag) {
    switch (PROP_TYPE(ulPropTag)) {
        case PT_I2:
            return KeysOf<ShortAccessMap>();
        case PT_LONG:
            return KeysOf<LongAccessMap>();
        case PT_R4:
            return KeysOf<FloatAccessMap>();
        case PT_DOUBLE:
            return KeysOf<DoubleAccessMap>();
        case PT_CURRENCY:
            return KeysOf<CurrencyAccessMap>();
        case PT_APPTIME:
            return KeysOf<ApptimeAccessMap>();
        case PT_BOOLEAN:
            return KeysOf<BoolAccessMap>();
        case PT_OBJECT:
            return KeysOf<ObjectAccessMap>();
        case PT_I8:
            return KeysOf<LonglongAccessMap>();
        case PT_STRING8:
            return KeysOf<NarrowStringAccessMap>();
        case PT_UNICODE:
            return KeysOf<WideStringAccessMap>();
        case PT_SYSTIME:
            return KeysOf<SystimeAccessMap>();
        case PT_CLSID:
            return KeysOf<ClsidAccessMap>();
        case PT_BINARY:
            return KeysOf<SBinaryAccessMap>();
        default:
            return nullptr;
    }
}

HRESULT CDrawerMap::CreateDrawerMap(LPSPropTagArray lpColumns, ULONG ulIndex, CDrawerMap** ppMap) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CreateDrawerMap", hr);
    // No failure leaves the caller a pointer it might take for a level.
    if (ppMap != nullptr) {
        *ppMap = nullptr;
    }
    if (lpColumns == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid column array specified!\n");
        return hr = E_INVALIDARG;
    }
    if (ulIndex >= lpColumns->cValues) {
        QTRACE(TRACE_ERROR, "Failure: Invalid column index specified!\n");
        return hr = E_INVALIDARG;
    }
    if (ppMap == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid map pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    const ULONG ulTag = lpColumns->aulPropTag[ulIndex];
    const bool fLastLine = (ulIndex == lpColumns->cValues - 1);
    CDrawerMap* pMap = nullptr;
    switch (PROP_TYPE(ulTag)) {
        case PT_ERROR:
            if (fLastLine) {
                QTRACE(TRACE_ERROR, "Property type on index %i is PT_ERROR!\n", (int)ulIndex);
            } else {
                QTRACE(TRACE_ERROR, "Property type onindex %i is PT_ERROR!\n", (int)ulIndex);
            }
            return hr = E_INVALIDARG;
        case PT_I2:
            pMap = MakeLevel<ShortAccessMap>(fLastLine);
            break;
        case PT_LONG:
            pMap = MakeLevel<LongAccessMap>(fLastLine);
            break;
        case PT_R4:
            pMap = MakeLevel<FloatAccessMap>(fLastLine);
            break;
        case PT_DOUBLE:
            pMap = MakeLevel<DoubleAccessMap>(fLastLine);
            break;
        case PT_CURRENCY:
            pMap = MakeLevel<CurrencyAccessMap>(fLastLine);
            break;
        case PT_APPTIME:
            pMap = MakeLevel<ApptimeAccessMap>(fLastLine);
            break;
        case PT_BOOLEAN:
            pMap = MakeLevel<BoolAccessMap>(fLastLine);
            break;
        case PT_OBJECT:
            pMap = MakeLevel<ObjectAccessMap>(fLastLine);
            break;
        case PT_I8:
            pMap = MakeLevel<LonglongAccessMap>(fLastLine);
            break;
        case PT_STRING8:
            pMap = MakeLevel<NarrowStringAccessMap>(fLastLine);
            break;
        case PT_UNICODE:
            pMap = MakeLevel<WideStringAccessMap>(fLastLine);
            break;
        case PT_SYSTIME:
            pMap = MakeLevel<SystimeAccessMap>(fLastLine);
            break;
        case PT_CLSID:
            pMap = MakeLevel<ClsidAccessMap>(fLastLine);
            break;
        case PT_BINARY:
            pMap = MakeLevel<SBinaryAccessMap>(fLastLine);
            break;
        default:
            QTRACE(TRACE_ERROR, "Unexpected property type %04ld!\n", ulTag);
            return hr = E_UNEXPECTED;
    }
    if (pMap == nullptr) {
        *ppMap = nullptr;
        QTRACE(TRACE_ERROR, "new() failed: Unable to create drawer map!\n");
        return hr = E_OUTOFMEMORY;
    }
    pMap->AddRef();
    *ppMap = pMap;
    return hr;
}

bool ConvertWidth(const WCHAR* lpszW, std::string& text) {
    try {
        text = Utf16ToUtf8(std::u16string_view(lpszW, WideLength(lpszW)));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool ConvertWidth(const char* lpszA, std::u16string& text) {
    try {
        text = Utf8ToUtf16(std::string_view(lpszA));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// The label lines whose keys are held by value: integers, floating point, currency, times.
#pragma once

#include "engine/LabelMap.h"

// One class per value key type. A missing value (PT_NULL, PT_ERROR) gets the key of 0, so an item
// without the property meets the items that hold 0: that is the long-standing meaning of "equal"
// for numbers here. Keys cost no heap: they are copied and dropped with the map entry.
template <class KEY, ULONG ulType, KEY (*Extract)(const PropValueUnion&), class VALUE>
class CValueAccessMap : public LabelAccessMap<KEY, VALUE> {
public:
    explicit CValueAccessMap(BOOL fLastLine) : LabelAccessMap<KEY, VALUE>(fLastLine, FALSE) {}
    ~CValueAccessMap() override {
        TRACE_DTOR("LabelAccessMap");
        this->TearDown();
    }

    HRESULT ConvertToKey(KEY* pKey, ULONG ulPropTag, PropValueUnion value) override {
        HRESULT hr = S_OK;
        TRACE_FUNC_RESULT("ConvertToKey", hr);
        const ULONG ulValueType = PROP_TYPE(ulPropTag);
        if (ulValueType == PT_NULL || ulValueType == PT_ERROR) {
            *pKey = KEY{};
        } else if (ulValueType == ulType) {
            *pKey = Extract(value);
        } else {
            QTRACE(TRACE_ERROR, "Invalid property type %d instead of %d!\n", (int)ulValueType, (int)ulType);
            hr = E_UNEXPECTED;
        }
        return hr;
    }

    HRESULT DuplicateKey(KEY* pCopy, const KEY* pSource) override {
        *pCopy = *pSource;
        return S_OK;
    }

    HRESULT FreeKey(KEY* /*pKey*/) override { return S_OK; }

    // A value key is the value: the view is the converted key.
    bool ViewKey(KEY* pKey, ULONG ulPropTag, const PropValueUnion& value) override {
        const ULONG ulValueType = PROP_TYPE(ulPropTag);
        if (ulValueType == PT_NULL || ulValueType == PT_ERROR) {
            *pKey = KEY{};
            return true;
        }
        if (ulValueType == ulType) {
            *pKey = Extract(value);
            return true;
        }
        return false;
    }
};

namespace accesskeys {
constexpr SHORT Short(const PropValueUnion& v) {
    return v.i;
}
constexpr LONG Long(const PropValueUnion& v) {
    return v.l;
}
constexpr float Float(const PropValueUnion& v) {
    return v.flt;
}
constexpr double Double(const PropValueUnion& v) {
    return v.dbl;
}
inline CURRENCY Currency(const PropValueUnion& v) {
    return v.cur;
}
constexpr double Apptime(const PropValueUnion& v) {
    return v.at;
}
// The 16-bit boolean widened without sign: 1 and 65535 stay different keys.
constexpr BOOL Bool(const PropValueUnion& v) {
    return (BOOL)(USHORT)v.b;
}
// The first 32 bits of the value.
inline LONG Object(const PropValueUnion& v) {
    LONG l;
    std::memcpy(&l, &v, sizeof(l));
    return l;
}
inline LONGLONG Longlong(const PropValueUnion& v) {
    LONGLONG ll;
    std::memcpy(&ll, &v.li, sizeof(ll));
    return ll;
}
inline FILETIME Systime(const PropValueUnion& v) {
    return v.ft;
}
}  // namespace accesskeys

template <class VALUE>
using ShortAccessMap = CValueAccessMap<SHORT, PT_I2, accesskeys::Short, VALUE>;
template <class VALUE>
using LongAccessMap = CValueAccessMap<LONG, PT_LONG, accesskeys::Long, VALUE>;
template <class VALUE>
using FloatAccessMap = CValueAccessMap<float, PT_R4, accesskeys::Float, VALUE>;
template <class VALUE>
using DoubleAccessMap = CValueAccessMap<double, PT_DOUBLE, accesskeys::Double, VALUE>;
template <class VALUE>
using CurrencyAccessMap = CValueAccessMap<CURRENCY, PT_CURRENCY, accesskeys::Currency, VALUE>;
template <class VALUE>
using ApptimeAccessMap = CValueAccessMap<double, PT_APPTIME, accesskeys::Apptime, VALUE>;
template <class VALUE>
using BoolAccessMap = CValueAccessMap<BOOL, PT_BOOLEAN, accesskeys::Bool, VALUE>;
template <class VALUE>
using ObjectAccessMap = CValueAccessMap<LONG, PT_OBJECT, accesskeys::Object, VALUE>;
template <class VALUE>
using LonglongAccessMap = CValueAccessMap<LONGLONG, PT_I8, accesskeys::Longlong, VALUE>;
template <class VALUE>
using SystimeAccessMap = CValueAccessMap<FILETIME, PT_SYSTIME, accesskeys::Systime, VALUE>;

// The label lines whose keys are heap copies reached by pointer: strings, GUIDs, binary values.
#pragma once

#include <string>

#include "engine/LabelMap.h"
#include "model/Allocators.h"

// A missing value (PT_NULL, PT_ERROR, or a NULL pointer) is the NULL key, which is not the key of an
// empty string or an empty binary value. A copy that cannot be allocated fails with E_OUTOFMEMORY:
// falling back to the NULL key would file the item among the items that lack the value, and the
// cleanup would delete it as their duplicate.

// Converts a string of the other width (up to its terminator); false when memory runs out.
bool ConvertWidth(const WCHAR* lpszW, std::string& text);
bool ConvertWidth(const char* lpszA, std::u16string& text);

// Narrow (fWide false, KEY char*) and wide (fWide true, KEY WCHAR*) string keys.
template <class KEY, class ALLOCATOR, bool fWide, class VALUE>
class CStringAccessMap : public LabelAccessMap<KEY, VALUE> {
public:
    explicit CStringAccessMap(BOOL fLastLine) : LabelAccessMap<KEY, VALUE>(fLastLine, TRUE) {}
    ~CStringAccessMap() override {
        TRACE_DTOR("LabelAccessMap");
        this->TearDown();
    }

    HRESULT ConvertToKey(KEY* pKey, ULONG ulPropTag, PropValueUnion value) override {
        HRESULT hr = S_OK;
        TRACE_FUNC_RESULT("ConvertToKey", hr);
        const ULONG ulValueType = PROP_TYPE(ulPropTag);
        if (ulValueType == PT_NULL || ulValueType == PT_ERROR) {
            *pKey = nullptr;
            return hr;
        }
        if (ulValueType != PT_STRING8 && ulValueType != PT_UNICODE) {
            QTRACE(TRACE_ERROR, "Invalid property type %d instead of %d/%d!\n", (int)ulValueType,
                   (int)PT_STRING8, (int)PT_UNICODE);
            return hr = E_UNEXPECTED;
        }
        const bool fOwnWidth = (ulValueType == (fWide ? PT_UNICODE : PT_STRING8));
        const void* pSource =
            (ulValueType == PT_UNICODE) ? (const void*)value.lpszW : (const void*)value.lpszA;
        if (pSource == nullptr) {
            *pKey = nullptr;
            return hr;
        }
        using CHAR_T = std::remove_pointer_t<KEY>;
        std::basic_string<CHAR_T> converted;
        const CHAR_T* pText = static_cast<const CHAR_T*>(pSource);
        if (!fOwnWidth) {
            bool fConverted = false;
            if constexpr (fWide) {
                fConverted = ConvertWidth(value.lpszA, converted);
            } else {
                fConverted = ConvertWidth(value.lpszW, converted);
            }
            if (!fConverted) {
                QTRACE(TRACE_ERROR, "Unable to construct key!\n");
                return hr = E_OUTOFMEMORY;
            }
            pText = converted.c_str();
        }
        ALLOCATOR allocator;
        KEY key = allocator.Allocate(pText);
        if (key != nullptr) {
            allocator.Copy(key, pText);
        }
        if (key == nullptr) {
            QTRACE(TRACE_ERROR, "Unable to construct key!\n");
            return hr = E_OUTOFMEMORY;
        }
        *pKey = key;
        return hr;
    }

    HRESULT DuplicateKey(KEY* pCopy, const KEY* pSource) override {
        HRESULT hr = S_OK;
        TRACE_FUNC_RESULT("DuplicateKey", hr);
        *pCopy = nullptr;
        if (*pSource == nullptr) {
            return hr;
        }
        ALLOCATOR allocator;
        KEY copy = allocator.Allocate(*pSource);
        if (copy == nullptr) {
            QTRACE(TRACE_ERROR, "Unable to construct key!\n");
            return hr = E_OUTOFMEMORY;
        }
        allocator.Copy(copy, *pSource);
        *pCopy = copy;
        return hr;
    }

    HRESULT FreeKey(KEY* pKey) override {
        if (*pKey != nullptr) {
            ALLOCATOR allocator;
            allocator.Free(*pKey);
        }
        return S_OK;
    }

    // A string of the line's own width is its own key; the other width needs the conversion.
    bool ViewKey(KEY* pKey, ULONG ulPropTag, const PropValueUnion& value) override {
        const ULONG ulValueType = PROP_TYPE(ulPropTag);
        if (ulValueType == PT_NULL || ulValueType == PT_ERROR) {
            *pKey = nullptr;
            return true;
        }
        if constexpr (fWide) {
            if (ulValueType == PT_UNICODE) {
                *pKey = value.lpszW;
                return true;
            }
        } else {
            if (ulValueType == PT_STRING8) {
                *pKey = value.lpszA;
                return true;
            }
        }
        return false;
    }
};

template <class VALUE>
using NarrowStringAccessMap = CStringAccessMap<char*, CCharAllocator, false, VALUE>;
template <class VALUE>
using WideStringAccessMap = CStringAccessMap<WCHAR*, CWchar_tAllocator, true, VALUE>;

template <class VALUE>
class ClsidAccessMap : public LabelAccessMap<GUID*, VALUE> {
public:
    explicit ClsidAccessMap(BOOL fLastLine) : LabelAccessMap<GUID*, VALUE>(fLastLine, TRUE) {}
    ~ClsidAccessMap() override {
        TRACE_DTOR("LabelAccessMap");
        this->TearDown();
    }

    HRESULT ConvertToKey(GUID** pKey, ULONG ulPropTag, PropValueUnion value) override {
        HRESULT hr = S_OK;
        TRACE_FUNC_RESULT("ConvertToKey", hr);
        const ULONG ulValueType = PROP_TYPE(ulPropTag);
        if (ulValueType == PT_NULL || ulValueType == PT_ERROR ||
            (ulValueType == PT_CLSID && value.lpguid == nullptr)) {
            *pKey = nullptr;
            return hr;
        }
        if (ulValueType != PT_CLSID) {
            QTRACE(TRACE_ERROR, "Invalid property type %d instead of %d!\n", (int)ulValueType, (int)PT_CLSID);
            return hr = E_UNEXPECTED;
        }
        return hr = DuplicateKey(pKey, &value.lpguid);
    }

    HRESULT DuplicateKey(GUID** pCopy, GUID* const* pSource) override {
        HRESULT hr = S_OK;
        TRACE_FUNC_RESULT("DuplicateKey", hr);
        *pCopy = nullptr;
        if (*pSource == nullptr) {
            return hr;
        }
        CClsidAllocator allocator;
        GUID* copy = allocator.Allocate(*pSource);
        if (copy == nullptr) {
            QTRACE(TRACE_ERROR, "Unable to construct key!\n");
            return hr = E_OUTOFMEMORY;
        }
        allocator.Copy(copy, *pSource);
        *pCopy = copy;
        return hr;
    }

    HRESULT FreeKey(GUID** pKey) override {
        if (*pKey != nullptr) {
            CClsidAllocator allocator;
            allocator.Free(*pKey);
        }
        return S_OK;
    }

    bool ViewKey(GUID** pKey, ULONG ulPropTag, const PropValueUnion& value) override {
        const ULONG ulValueType = PROP_TYPE(ulPropTag);
        if (ulValueType == PT_NULL || ulValueType == PT_ERROR) {
            *pKey = nullptr;
            return true;
        }
        if (ulValueType == PT_CLSID) {
            *pKey = value.lpguid;
            return true;
        }
        return false;
    }
};

template <class VALUE>
class SBinaryAccessMap : public LabelAccessMap<SBinary*, VALUE> {
public:
    explicit SBinaryAccessMap(BOOL fLastLine) : LabelAccessMap<SBinary*, VALUE>(fLastLine, TRUE) {}
    ~SBinaryAccessMap() override {
        TRACE_DTOR("LabelAccessMap");
        this->TearDown();
    }

    HRESULT ConvertToKey(SBinary** pKey, ULONG ulPropTag, PropValueUnion value) override {
        HRESULT hr = S_OK;
        TRACE_FUNC_RESULT("ConvertToKey", hr);
        const ULONG ulValueType = PROP_TYPE(ulPropTag);
        if (ulValueType == PT_NULL || ulValueType == PT_ERROR) {
            *pKey = nullptr;
            return hr;
        }
        if (ulValueType != PT_BINARY) {
            QTRACE(TRACE_ERROR, "Invalid property type %d instead of %d\n", (int)ulValueType, (int)PT_BINARY);
            return hr = E_UNEXPECTED;
        }
        return hr = MakeCopy(pKey, &value.bin);
    }

    HRESULT DuplicateKey(SBinary** pCopy, SBinary* const* pSource) override {
        HRESULT hr = S_OK;
        TRACE_FUNC_RESULT("DuplicateKey", hr);
        *pCopy = nullptr;
        if (*pSource == nullptr) {
            return hr;
        }
        return hr = MakeCopy(pCopy, *pSource);
    }

    HRESULT FreeKey(SBinary** pKey) override {
        if (*pKey != nullptr) {
            CBinaryAllocator allocator;
            allocator.Free(*pKey);
        }
        return S_OK;
    }

    // The value's own SBinary, unless it counts bytes it does not have: the copy of such a value
    // holds 0 bytes, so only the conversion gives its key.
    bool ViewKey(SBinary** pKey, ULONG ulPropTag, const PropValueUnion& value) override {
        const ULONG ulValueType = PROP_TYPE(ulPropTag);
        if (ulValueType == PT_NULL || ulValueType == PT_ERROR) {
            *pKey = nullptr;
            return true;
        }
        if (ulValueType == PT_BINARY && (value.bin.cb == 0 || value.bin.lpb != nullptr)) {
            *pKey = const_cast<SBinary*>(&value.bin);
            return true;
        }
        return false;
    }

private:
    // A value of 0 bytes is a key (not NULL) holding 0 bytes; bytes that cannot be copied fail the
    // key, since a 0-byte key would equal every other empty value.
    static HRESULT MakeCopy(SBinary** pKey, const SBinary* pSource) {
        CBinaryAllocator allocator;
        SBinary* copy = allocator.Allocate(pSource);
        if (copy != nullptr) {
            allocator.Copy(copy, pSource);
            if (pSource->cb != 0 && pSource->lpb != nullptr && copy->lpb == nullptr) {
                allocator.Free(copy);
                copy = nullptr;
            }
        }
        if (copy == nullptr) {
            QTRACE(TRACE_ERROR, "Unable to construct key!\n");
            return E_OUTOFMEMORY;
        }
        *pKey = copy;
        return S_OK;
    }
};

// The property side shared by stores, folders and messages: reading, changing and naming properties.
#pragma once

#include <memory>
#include <vector>

#include "platform/mapi/ComObject.h"
#include "platform/mapi/MAPIFunctions.h"
#include "platform/mapi/StoreDb.h"

namespace qrvmapi {

// Answers a GetProps request from cells: one MAPI buffer holds the values and everything they
// point at. Missing properties become PT_ERROR values and the result MAPI_W_ERRORS_RETURNED.
HRESULT BuildPropArray(const std::vector<std::optional<CPropCell>>& cells, LPSPropTagArray lpTags,
                       ULONG ulFlags, ULONG* lpcValues, LPSPropValue* lppProps);

// Converts a caller's property list into changes; values that cannot be kept go to 'problems'.
HRESULT ChangesFromValues(ULONG cValues, const SPropValue* lpProps, CPropChanges& changes,
                          std::vector<SPropProblem>& problems);
// Hands problems out as an SPropProblemArray (null when there are none or the caller wants none).
HRESULT HandOutProblems(const std::vector<SPropProblem>& problems, LPSPropProblemArray* lppProblems);

template <class Interface>
class CPropObject : public CComObject<Interface> {
public:
    CPropObject(std::shared_ptr<CStoreDb> store, bool writable)
        : m_store(std::move(store)), m_writable(writable) {}

    HRESULT SaveChanges(ULONG) override { return S_OK; }

    HRESULT GetProps(LPSPropTagArray lpPropTagArray, ULONG ulFlags, ULONG* lpcValues,
                     LPSPropValue* lppPropArray) override {
        if (lpcValues == nullptr || lppPropArray == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        *lpcValues = 0;
        *lppPropArray = nullptr;
        std::vector<std::optional<CPropCell>> cells;
        HRESULT hr;
        if (lpPropTagArray == nullptr) {
            std::vector<CPropCell> all;
            hr = CollectProps(all);
            for (CPropCell& cell : all) {
                cells.emplace_back(std::move(cell));
            }
        } else {
            cells.resize(lpPropTagArray->cValues);
            hr = FindProps(lpPropTagArray, cells);
        }
        if (FAILED(hr)) {
            return hr;
        }
        return BuildPropArray(cells, lpPropTagArray, ulFlags, lpcValues, lppPropArray);
    }

    HRESULT GetPropList(ULONG, LPSPropTagArray* lppPropTagArray) override {
        if (lppPropTagArray == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        *lppPropTagArray = nullptr;
        std::vector<CPropCell> all;
        HRESULT hr = CollectProps(all);
        if (FAILED(hr)) {
            return hr;
        }
        LPSPropTagArray tags = nullptr;
        hr = MAPIAllocateBuffer(static_cast<ULONG>(CbNewSPropTagArray(all.size())),
                                reinterpret_cast<LPVOID*>(&tags));
        if (FAILED(hr)) {
            return hr;
        }
        tags->cValues = static_cast<ULONG>(all.size());
        for (size_t i = 0; i < all.size(); ++i) {
            tags->aulPropTag[i] = all[i].m_tag;
        }
        *lppPropTagArray = tags;
        return S_OK;
    }

    HRESULT SetProps(ULONG cValues, LPSPropValue lpPropArray, LPSPropProblemArray* lppProblems) override {
        if (lppProblems != nullptr) {
            *lppProblems = nullptr;
        }
        if (cValues > 0 && lpPropArray == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        if (!m_writable) {
            return MAPI_E_NO_ACCESS;
        }
        CPropChanges changes;
        std::vector<SPropProblem> problems;
        HRESULT hr = ChangesFromValues(cValues, lpPropArray, changes, problems);
        if (FAILED(hr)) {
            return hr;
        }
        for (ULONG i = 0; i < cValues; ++i) {
            if (IsComputed(PROP_ID(lpPropArray[i].ulPropTag))) {
                changes.erase(PROP_ID(lpPropArray[i].ulPropTag));
                problems.push_back(SPropProblem{i, lpPropArray[i].ulPropTag, MAPI_E_COMPUTED});
            }
        }
        hr = ApplyChanges(changes);
        if (FAILED(hr)) {
            return hr;
        }
        return HandOutProblems(problems, lppProblems);
    }

    HRESULT DeleteProps(LPSPropTagArray lpPropTagArray, LPSPropProblemArray* lppProblems) override {
        if (lppProblems != nullptr) {
            *lppProblems = nullptr;
        }
        if (lpPropTagArray == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        if (!m_writable) {
            return MAPI_E_NO_ACCESS;
        }
        CPropChanges changes;
        std::vector<SPropProblem> problems;
        for (ULONG i = 0; i < lpPropTagArray->cValues; ++i) {
            ULONG pid = PROP_ID(lpPropTagArray->aulPropTag[i]);
            if (IsComputed(pid)) {
                problems.push_back(SPropProblem{i, lpPropTagArray->aulPropTag[i], MAPI_E_COMPUTED});
            } else {
                changes[pid] = std::nullopt;
            }
        }
        HRESULT hr = ApplyChanges(changes);
        if (FAILED(hr)) {
            return hr;
        }
        return HandOutProblems(problems, lppProblems);
    }

    HRESULT GetIDsFromNames(ULONG cPropNames, LPMAPINAMEID* lppPropNames, ULONG ulFlags,
                            LPSPropTagArray* lppPropTags) override;
    HRESULT GetNamesFromIDs(LPSPropTagArray* lppPropTags, LPGUID lpPropSetGuid, ULONG ulFlags,
                            ULONG* lpcPropNames, LPMAPINAMEID** lpppPropNames) override;

    const std::shared_ptr<CStoreDb>& Store() const { return m_store; }

protected:
    // Every property of the object, computed ones first.
    virtual HRESULT CollectProps(std::vector<CPropCell>& cells) = 0;
    // The properties named by the tags (by id); the default looks them up among CollectProps.
    virtual HRESULT FindProps(LPSPropTagArray lpTags, std::vector<std::optional<CPropCell>>& cells) {
        std::vector<CPropCell> all;
        HRESULT hr = CollectProps(all);
        if (FAILED(hr)) {
            return hr;
        }
        for (ULONG i = 0; i < lpTags->cValues; ++i) {
            ULONG stored = PROP_ID(lpTags->aulPropTag[i]);
            if (CStoreDb::AnyProvisional() && FAILED(hr = m_store->StoredId(stored, stored))) {
                return hr;
            }
            for (const CPropCell& cell : all) {
                if (PROP_ID(cell.m_tag) == stored) {
                    cells[i] = cell;
                    break;
                }
            }
        }
        return S_OK;
    }
    virtual bool IsComputed(ULONG pid) const = 0;
    virtual HRESULT ApplyChanges(const CPropChanges& changes) = 0;

    std::shared_ptr<CStoreDb> m_store;
    bool m_writable;
};

// Named-property mapping, shared by every object of one store.
HRESULT NamedIdsFromNames(CStoreDb& store, bool writable, ULONG cPropNames, LPMAPINAMEID* lppPropNames,
                          ULONG ulFlags, LPSPropTagArray* lppPropTags);
HRESULT NamedNamesFromIds(CStoreDb& store, LPSPropTagArray* lppPropTags, LPGUID lpPropSetGuid, ULONG ulFlags,
                          ULONG* lpcPropNames, LPMAPINAMEID** lpppPropNames);

template <class Interface>
HRESULT CPropObject<Interface>::GetIDsFromNames(ULONG cPropNames, LPMAPINAMEID* lppPropNames, ULONG ulFlags,
                                                LPSPropTagArray* lppPropTags) {
    return NamedIdsFromNames(*m_store, m_writable, cPropNames, lppPropNames, ulFlags, lppPropTags);
}

template <class Interface>
HRESULT CPropObject<Interface>::GetNamesFromIDs(LPSPropTagArray* lppPropTags, LPGUID lpPropSetGuid,
                                                ULONG ulFlags, ULONG* lpcPropNames,
                                                LPMAPINAMEID** lpppPropNames) {
    return NamedNamesFromIds(*m_store, lppPropTags, lpPropSetGuid, ulFlags, lpcPropNames, lpppPropNames);
}

}  // namespace qrvmapi

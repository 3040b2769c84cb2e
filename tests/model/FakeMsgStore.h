// A message store that only answers GetIDsFromNames, with a scripted answer, for tag lookups.
#pragma once

#include <vector>

#include "platform/mapi/MAPIFunctions.h"

namespace proptest {

class CFakeMsgStore : public IMsgStore {
public:
    // What GetIDsFromNames answers: its result, and the tags it hands out (none: a null array).
    HRESULT m_hrAnswer = S_OK;
    bool m_bNullArray = false;
    std::vector<ULONG> m_tags;
    // What it was asked.
    ULONG m_ulFlags = 0;
    ULONG m_cNames = 0;
    MAPINAMEID m_lastName{};

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT SaveChanges(ULONG) override { return E_NOTIMPL; }
    HRESULT GetProps(LPSPropTagArray, ULONG, ULONG*, LPSPropValue*) override { return E_NOTIMPL; }
    HRESULT GetPropList(ULONG, LPSPropTagArray*) override { return E_NOTIMPL; }
    HRESULT SetProps(ULONG, LPSPropValue, LPSPropProblemArray*) override { return E_NOTIMPL; }
    HRESULT DeleteProps(LPSPropTagArray, LPSPropProblemArray*) override { return E_NOTIMPL; }
    HRESULT GetNamesFromIDs(LPSPropTagArray*, LPGUID, ULONG, ULONG*, LPMAPINAMEID**) override {
        return E_NOTIMPL;
    }
    HRESULT GetIDsFromNames(ULONG cPropNames, LPMAPINAMEID* lppPropNames, ULONG ulFlags,
                            LPSPropTagArray* lppPropTags) override {
        m_cNames = cPropNames;
        m_ulFlags = ulFlags;
        if (cPropNames > 0 && lppPropNames != nullptr && lppPropNames[0] != nullptr) {
            m_lastName = *lppPropNames[0];
        }
        *lppPropTags = nullptr;
        if (FAILED(m_hrAnswer) || m_bNullArray) {
            return m_hrAnswer;
        }
        LPVOID lpBuffer = nullptr;
        HRESULT hr = MAPIAllocateBuffer((ULONG)CbNewSPropTagArray(m_tags.size() + 1), &lpBuffer);
        if (FAILED(hr)) {
            return hr;
        }
        LPSPropTagArray lpTags = static_cast<LPSPropTagArray>(lpBuffer);
        lpTags->cValues = (ULONG)m_tags.size();
        for (size_t i = 0; i < m_tags.size(); ++i) {
            lpTags->aulPropTag[i] = m_tags[i];
        }
        *lppPropTags = lpTags;
        return m_hrAnswer;
    }
    HRESULT OpenEntry(ULONG, LPENTRYID, LPCIID, ULONG, ULONG*, LPUNKNOWN*) override { return E_NOTIMPL; }
    HRESULT CompareEntryIDs(ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT GetReceiveFolder(LPCSTR, ULONG, ULONG*, LPENTRYID*, LPSTR*) override { return E_NOTIMPL; }
};

}  // namespace proptest

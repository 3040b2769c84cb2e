// A message-store double: it answers name lookups from a script and opens the folders of a tree
// that a test lays out.
#pragma once

#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/mapi/MAPIX.h"

namespace proptest {

// Reference counting, and the property calls no double answers.
template <class Interface>
class CFakeProp : public Interface {
public:
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++m_ulRef; }
    ULONG Release() override {
        const ULONG ulRef = --m_ulRef;
        if (ulRef == 0)
            delete this;
        return ulRef;
    }
    HRESULT SaveChanges(ULONG) override { return E_NOTIMPL; }
    HRESULT GetPropList(ULONG, LPSPropTagArray*) override { return E_NOTIMPL; }
    HRESULT SetProps(ULONG, LPSPropValue, LPSPropProblemArray*) override { return E_NOTIMPL; }
    HRESULT DeleteProps(LPSPropTagArray, LPSPropProblemArray*) override { return E_NOTIMPL; }
    HRESULT GetNamesFromIDs(LPSPropTagArray*, LPGUID, ULONG, ULONG*, LPMAPINAMEID**) override {
        return E_NOTIMPL;
    }
    HRESULT GetIDsFromNames(ULONG, LPMAPINAMEID*, ULONG, LPSPropTagArray*) override { return E_NOTIMPL; }

private:
    ULONG m_ulRef = 1;
};

// The folders of the double: entry id -> name (none for an unnamed folder) and parent id.
struct FolderNode {
    std::optional<std::string> name;
    std::string parent;
};
using FolderTree = std::map<std::string, FolderNode>;
const char IPM_ID[] = "ipm";  // the store's IPM subtree

inline LPSPropValue AllocateProps(ULONG cValues) {
    LPVOID lpProps = nullptr;
    MAPIAllocateBuffer(cValues * sizeof(SPropValue), &lpProps);
    return static_cast<LPSPropValue>(lpProps);
}
// Copies the bytes and a 0 behind them into memory linked to lpRoot.
inline LPBYTE CopyMore(const std::string& bytes, LPVOID lpRoot) {
    LPVOID lpCopy = nullptr;
    MAPIAllocateMore((ULONG)bytes.size() + 1, lpRoot, &lpCopy);
    memcpy(lpCopy, bytes.c_str(), bytes.size() + 1);
    return static_cast<LPBYTE>(lpCopy);
}
inline void SetBinary(SPropValue& value, ULONG ulTag, const std::string& bytes, LPVOID lpRoot) {
    value.ulPropTag = ulTag;
    value.Value.bin = {(ULONG)bytes.size(), CopyMore(bytes, lpRoot)};
}

class CFakeFolder : public CFakeProp<IMAPIFolder> {
public:
    explicit CFakeFolder(const FolderNode& node) : m_node(node) {}
    HRESULT GetProps(LPSPropTagArray lpTags, ULONG, ULONG* lpcValues, LPSPropValue* lppProps) override {
        LPSPropValue lpProps = AllocateProps(lpTags->cValues);
        for (ULONG i = 0; i < lpTags->cValues; ++i) {
            const ULONG ulTag = lpTags->aulPropTag[i];
            if (ulTag == PR_DISPLAY_NAME_A && m_node.name) {
                lpProps[i].ulPropTag = ulTag;
                lpProps[i].Value.lpszA = reinterpret_cast<LPSTR>(CopyMore(*m_node.name, lpProps));
            } else if (ulTag == PR_PARENT_ENTRYID) {
                SetBinary(lpProps[i], ulTag, m_node.parent, lpProps);
            } else {
                lpProps[i].ulPropTag = CHANGE_PROP_TYPE(ulTag, PT_ERROR);
                lpProps[i].Value.err = MAPI_E_NOT_FOUND;
            }
        }
        *lpcValues = lpTags->cValues;
        *lppProps = lpProps;
        return S_OK;
    }
    HRESULT GetContentsTable(ULONG, LPMAPITABLE*) override { return E_NOTIMPL; }
    HRESULT GetHierarchyTable(ULONG, LPMAPITABLE*) override { return E_NOTIMPL; }
    HRESULT OpenEntry(ULONG, LPENTRYID, LPCIID, ULONG, ULONG*, LPUNKNOWN*) override { return E_NOTIMPL; }
    HRESULT CreateMessage(LPCIID, ULONG, LPMESSAGE*) override { return E_NOTIMPL; }
    HRESULT DeleteMessages(LPENTRYLIST, ULONG_PTR, LPMAPIPROGRESS, ULONG) override { return E_NOTIMPL; }
    HRESULT CreateFolder(ULONG, LPCSTR, LPCSTR, LPCIID, ULONG, LPMAPIFOLDER*) override { return E_NOTIMPL; }

private:
    FolderNode m_node;
};

class CFakeMsgStore : public CFakeProp<IMsgStore> {
public:
    // What GetIDsFromNames answers: its result, and the tags it hands out (none: a null array).
    HRESULT m_hrAnswer = S_OK;
    bool m_bNullArray = false;
    std::vector<ULONG> m_tags;
    // What it was asked.
    ULONG m_ulFlags = 0;
    MAPINAMEID m_lastName{};
    // The folders it opens, and how many it opened.
    FolderTree m_tree;
    int m_nOpened = 0;

    HRESULT GetIDsFromNames(ULONG cPropNames, LPMAPINAMEID* lppPropNames, ULONG ulFlags,
                            LPSPropTagArray* lppPropTags) override {
        m_ulFlags = ulFlags;
        if (cPropNames > 0 && lppPropNames != nullptr && lppPropNames[0] != nullptr)
            m_lastName = *lppPropNames[0];
        *lppPropTags = nullptr;
        if (FAILED(m_hrAnswer) || m_bNullArray)
            return m_hrAnswer;
        LPVOID lpBuffer = nullptr;
        HRESULT hr = MAPIAllocateBuffer((ULONG)CbNewSPropTagArray(m_tags.size() + 1), &lpBuffer);
        if (FAILED(hr))
            return hr;
        LPSPropTagArray lpTags = static_cast<LPSPropTagArray>(lpBuffer);
        lpTags->cValues = (ULONG)m_tags.size();
        for (size_t i = 0; i < m_tags.size(); ++i)
            lpTags->aulPropTag[i] = m_tags[i];
        *lppPropTags = lpTags;
        return m_hrAnswer;
    }
    // Every property the store is asked for is the IPM subtree's entry id.
    HRESULT GetProps(LPSPropTagArray lpTags, ULONG, ULONG* lpcValues, LPSPropValue* lppProps) override {
        LPSPropValue lpProps = AllocateProps(1);
        SetBinary(lpProps[0], lpTags->aulPropTag[0], IPM_ID, lpProps);
        *lpcValues = 1;
        *lppProps = lpProps;
        return S_OK;
    }
    HRESULT OpenEntry(ULONG cb, LPENTRYID lpID, LPCIID, ULONG, ULONG* lpulType, LPUNKNOWN* lppUnk) override {
        const auto it = m_tree.find(std::string(reinterpret_cast<const char*>(lpID), cb));
        if (it == m_tree.end())
            return MAPI_E_NOT_FOUND;
        ++m_nOpened;
        *lpulType = MAPI_FOLDER;
        *lppUnk = new CFakeFolder(it->second);
        return S_OK;
    }
    HRESULT CompareEntryIDs(ULONG cb1, LPENTRYID lp1, ULONG cb2, LPENTRYID lp2, ULONG,
                            ULONG* lpulResult) override {
        *lpulResult = cb1 == cb2 && memcmp(lp1, lp2, cb1) == 0;
        return S_OK;
    }
    HRESULT GetReceiveFolder(LPCSTR, ULONG, ULONG*, LPENTRYID*, LPSTR*) override { return E_NOTIMPL; }
};

}  // namespace proptest

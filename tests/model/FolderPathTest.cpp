// Folder paths below the IPM subtree, over a store double whose folder tree each test lays out.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

#include "model/FolderInfo.h"
#include "model/StoreInfo.h"
#include "platform/mapi/MAPIX.h"

namespace {

// The folders of the double: entry id -> name (none for an unnamed folder) and parent id.
struct FolderNode {
    std::optional<std::string> name;
    std::string parent;
};
using FolderTree = std::map<std::string, FolderNode>;

const char IPM_ID[] = "ipm";

HRESULT AllocateProps(ULONG cValues, LPSPropValue* lppProps) {
    return MAPIAllocateBuffer(cValues * sizeof(SPropValue), reinterpret_cast<LPVOID*>(lppProps));
}

void SetBinary(SPropValue& value, ULONG ulTag, const std::string& bytes, LPVOID lpRoot) {
    value.ulPropTag = ulTag;
    value.Value.bin.cb = (ULONG)bytes.size();
    MAPIAllocateMore((ULONG)bytes.size(), lpRoot, reinterpret_cast<LPVOID*>(&value.Value.bin.lpb));
    memcpy(value.Value.bin.lpb, bytes.data(), bytes.size());
}

template <class Interface>
class FakeProp : public Interface {
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

class FakeFolder : public FakeProp<IMAPIFolder> {
public:
    FakeFolder(const FolderTree& tree, std::string id) : m_tree(tree), m_id(std::move(id)) {}
    HRESULT GetProps(LPSPropTagArray lpTags, ULONG, ULONG* lpcValues, LPSPropValue* lppProps) override {
        const FolderNode& node = m_tree.at(m_id);
        LPSPropValue lpProps = nullptr;
        AllocateProps(lpTags->cValues, &lpProps);
        for (ULONG i = 0; i < lpTags->cValues; ++i) {
            const ULONG ulTag = lpTags->aulPropTag[i];
            if (ulTag == PR_DISPLAY_NAME_A && node.name) {
                lpProps[i].ulPropTag = ulTag;
                MAPIAllocateMore((ULONG)node.name->size() + 1, lpProps,
                                 reinterpret_cast<LPVOID*>(&lpProps[i].Value.lpszA));
                strcpy(lpProps[i].Value.lpszA, node.name->c_str());
            } else if (ulTag == PR_PARENT_ENTRYID) {
                SetBinary(lpProps[i], ulTag, node.parent, lpProps);
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
    const FolderTree& m_tree;
    std::string m_id;
};

class FakeStore : public FakeProp<IMsgStore> {
public:
    explicit FakeStore(FolderTree tree) : m_tree(std::move(tree)) {}
    HRESULT GetProps(LPSPropTagArray lpTags, ULONG, ULONG* lpcValues, LPSPropValue* lppProps) override {
        LPSPropValue lpProps = nullptr;
        AllocateProps(1, &lpProps);
        SetBinary(lpProps[0], lpTags->aulPropTag[0], IPM_ID, lpProps);
        *lpcValues = 1;
        *lppProps = lpProps;
        return S_OK;
    }
    HRESULT OpenEntry(ULONG cb, LPENTRYID lpID, LPCIID, ULONG, ULONG* lpulType, LPUNKNOWN* lppUnk) override {
        const std::string id(reinterpret_cast<const char*>(lpID), cb);
        if (m_tree.count(id) == 0)
            return MAPI_E_NOT_FOUND;
        ++nOpened;
        *lpulType = MAPI_FOLDER;
        *lppUnk = new FakeFolder(m_tree, id);
        return S_OK;
    }
    HRESULT CompareEntryIDs(ULONG cb1, LPENTRYID lp1, ULONG cb2, LPENTRYID lp2, ULONG,
                            ULONG* lpulResult) override {
        *lpulResult = cb1 == cb2 && memcmp(lp1, lp2, cb1) == 0;
        return S_OK;
    }
    HRESULT GetReceiveFolder(LPCSTR, ULONG, ULONG*, LPENTRYID*, LPSTR*) override { return E_NOTIMPL; }

    int nOpened = 0;

private:
    FolderTree m_tree;
};

// The path of the folder with entry id `id` in a store laid out as `tree`.
HRESULT PathOf(const FolderTree& tree, const std::string& id, CString& strPath, int& nOpened) {
    FakeStore* pStore = new FakeStore(tree);
    CStoreInfo* pStoreInfo = new CStoreInfo;
    pStoreInfo->AddRef();
    pStoreInfo->AddFolder(nullptr, (ULONG)id.size(), reinterpret_cast<const BYTE*>(id.data()));
    CFolderInfo* pFolder = nullptr;
    pStoreInfo->GetFolder(0, &pFolder);
    strPath = "stale";
    const HRESULT hr = pFolder->GetFullPath(pStore, strPath);
    nOpened = pStore->nOpened;
    pFolder->Release();
    pStoreInfo->Release();
    pStore->Release();
    return hr;
}

}  // namespace

TEST(FolderPath, NamesTheFoldersBelowTheIpmSubtreeOrFails) {
    const FolderTree tree = {
        {IPM_ID, {std::string("Top of Personal Folders"), "root"}},
        {"root", {std::string(""), "root"}},
        {"inbox", {std::string("Inbox"), IPM_ID}},
        {"projects", {std::string("Projects"), "inbox"}},
        {"2026", {std::string("2026"), "projects"}},
        {"nameless", {std::nullopt, "inbox"}},
        {"below", {std::string("Below"), "nameless"}},
        {"self", {std::string("Self"), "self"}},
        {"ping", {std::string("Ping"), "pong"}},
        {"pong", {std::string("Pong"), "ping"}},
        {"lost", {std::string("Lost"), "gone"}},
    };
    const struct {
        const char* pszID;
        HRESULT hr;
        const char* pszPath;
    } cases[] = {
        {"inbox", S_OK, "Inbox"},
        {"2026", S_OK, "Inbox\\Projects\\2026"},  // outermost first
        {"below", S_OK, "Inbox\\<?>\\Below"},     // an unnamed folder shows as a question mark
        {"deleted", S_FOLDER_VANISHED, ""},       // a success, without a path
        {"self", E_FAIL, ""},                     // its own parent
        {"ping", E_FAIL, ""},                     // two folders that name each other
        {IPM_ID, E_FAIL, ""},                     // climbs to the root, which is its own parent
        {"lost", MAPI_E_NOT_FOUND, ""},           // a parent went away while the child stayed
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszID);
        CString strPath;
        int nOpened = 0;
        EXPECT_EQ(c.hr, PathOf(tree, c.pszID, strPath, nOpened));
        EXPECT_EQ(CString(c.pszPath), strPath);
        EXPECT_LE(nOpened, FOLDER_PATH_MAX_DEPTH + 1);  // the climb is bounded
        EXPECT_TRUE(std::string(c.pszID) != "self" || nOpened == 1) << "its own parent is refused at once";
    }
}

TEST(FolderPath, ArgumentsAreChecked) {
    CFolderInfo* pFolder = new CFolderInfo;
    pFolder->AddRef();
    FakeStore* pStore = new FakeStore({});
    CString strPath;
    EXPECT_EQ(E_INVALIDARG, pFolder->GetFullPath(nullptr, strPath));
    EXPECT_EQ(E_UNEXPECTED, pFolder->GetFullPath(pStore, strPath));
    SBinary ipm = {3, (LPBYTE) "ipm"};
    EXPECT_EQ(E_INVALIDARG, pFolder->GetParentPath(pStore, ipm, nullptr, strPath));
    pStore->Release();
    pFolder->Release();
}

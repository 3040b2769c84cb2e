// A message-store world for the search tests: a profile with stores and folders, items in them,
// and a contact configuration over it whose compared properties the test chooses.
#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "model/ContactInfo.h"
#include "model/QuorvelDoc.h"
#include "model/StdPropList.h"
#include "model/UiServices.h"
#include "platform/mapi/MAPIX.h"
#include "tests/support/TempRoot.h"

namespace enginetest {

// One item to put into a folder; a value left empty is not set on the item.
struct CItem {
    CItem(std::string s = "", std::optional<std::string> g = {}, std::optional<std::string> sn = {},
          std::optional<LONG> n = {}, FILETIME t = {1, 0x01D00000})
        : subject(std::move(s)), given(std::move(g)), surname(std::move(sn)), number(n), modified(t) {}
    std::string subject;
    std::optional<std::string> given;
    std::optional<std::string> surname;
    std::optional<LONG> number;  // a PT_LONG property of the item
    FILETIME modified;
};

// The user-interface services a search meets: a profile chooser that picks the test's profile and
// a progress display that records what the search showed.
class CFakeUi : public IUiServices {
public:
    std::vector<BYTE> m_profileKey;
    int m_nProgressMade = 0;
    int m_nProgressGone = 0;
    std::vector<std::pair<char, int>> m_bars;

    std::unique_ptr<IProfileChooser> CreateProfileChooser(CWnd* pParent) override;
    std::unique_ptr<IStoreChangesReport> CreateStoreChangesReport(CWnd*) override { return nullptr; }
    std::unique_ptr<ISearchProgress> CreateSearchProgress(CWnd* pParent) override;
    ULONG_PTR GetWindowHandle(CWnd*) override { return 0; }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    BOOL HasMainWindow() override { return FALSE; }
    void SendCommandToMainWindow(UINT) override {}
    BOOL SendCommandToLeftPane(UINT) override { return FALSE; }
    // Store checks that failed after a search, reported on the check's thread or the search's.
    void PostStoreCheckFailure(HRESULT hr) override;
    // The failures reported, once there are n of them or 10 s went by.
    std::vector<HRESULT> CheckFailures(size_t n);

private:
    std::mutex m_lock;
    std::condition_variable m_reported;
    std::vector<HRESULT> m_failures;
};

// A contact configuration whose property list is made by the test.
class CTestConfig : public CContactInfo {
public:
    explicit CTestConfig(CQuorvelDoc* pDoc) : CContactInfo(CString("Test"), pDoc) { m_pList->AddRef(); }
    ~CTestConfig() override { m_pList->Release(); }
    HRESULT GetPropertyList(CPropertyList** ppList) override {
        (*ppList = m_pList)->AddRef();
        return S_OK;
    }
    // Adds a standard property to the compared ones (selected or not).
    void Compare(ULONG ulTag, BOOL fSelected = TRUE);

private:
    CStdPropList* m_pList = new CStdPropList();
};

class CSearchWorld {
public:
    explicit CSearchWorld(int nStores);
    ~CSearchWorld();

    // A new folder below the IPM subtree of store s; returns its entry id.
    std::vector<BYTE> MakeFolder(int s, const std::string& name);
    // A new item in the folder; returns its entry id.
    std::vector<BYTE> AddItem(int s, const std::vector<BYTE>& folder, const CItem& item);
    void DeleteItem(int s, const std::vector<BYTE>& folder, const std::vector<BYTE>& item);
    // Store s's file as another program may leave it: the definition of its folder index changed
    // under its rows (every table still reads, the index finds nothing), in a new file in its place.
    // The world's own hold of the store is let go.
    void BreakFolderIndex(int s);

    // A configuration over the profile with every store loaded; each store's chosen folders are
    // those given for it (store index of the world, folder ids in order).
    CTestConfig* MakeConfig(DWORD dwCompareMode,
                            const std::map<int, std::vector<std::vector<BYTE>>>& folders);

    CFakeUi& Ui() { return m_ui; }
    IMsgStore* Store(int s) { return m_stores[s]; }
    int ConfigStoreIndex(CTestConfig* pConfig, int s);

private:
    qrvtest::TempRoot m_root;
    CFakeUi m_ui;
    CQuorvelDoc* m_pDoc = nullptr;
    LPMAPISESSION m_lpSession = nullptr;
    std::vector<std::string> m_storeNames;
    std::vector<IMsgStore*> m_stores;
};

}  // namespace enginetest

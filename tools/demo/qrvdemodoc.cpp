// qrvdemodoc: writes a configuration document ready to search the demo profile: one configuration
// per item type, on the profile "Quorvel Demo" and the folders of its type in the store "Personal
// Folders". The program's own configuration and document classes make and save it, so the file is
// what the program itself would save after the user chose the same.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "model/ConfigInfo.h"
#include "model/KeyCopy.h"
#include "model/QuorvelDoc.h"
#include "model/StoreInfo.h"
#include "model/UiServices.h"
#include "platform/mapi/MAPIX.h"
#include "platform/win32/MachineRoot.h"
#include "trace/Trace.h"

namespace {

const char kProfile[] = "Quorvel Demo";
const char kStore[] = "Personal Folders";

// The item types in the order of their configurations, with their names and top folders.
struct DemoType {
    DWORD dwType;
    const char* lpszName;
    const char* lpszFolder;
};
const DemoType kTypes[] = {
    {CONFIG_TYPE_MAIL, "E-Mails", "Inbox"},
    {CONFIG_TYPE_CONTACT, "Contacts", "Contacts"},
    {CONFIG_TYPE_APPOINTMENT, "Appointments", "Calendar"},
    {CONFIG_TYPE_TASK, "Tasks", "Tasks"},
    {CONFIG_TYPE_NOTE, "Notes", "Notes"},
    {CONFIG_TYPE_JOURNAL, "Journal", "Journal"},
};

// Releases an interface at the end of a scope.
template <class T>
struct Held {
    T* p = nullptr;
    ~Held() {
        if (p != nullptr)
            p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
};

struct Failure {
    std::string what;
    HRESULT hr;
};

void Check(HRESULT hr, const char* lpszWhat) {
    if (FAILED(hr))
        throw Failure{lpszWhat, hr};
}

// The profile chooser, answered with the demo profile: the configuration takes the profile and
// reads its stores through its own code, as when the user chooses it.
class DemoProfileChooser : public IProfileChooser {
public:
    explicit DemoProfileChooser(const std::vector<BYTE>& key) : m_key(key) {}
    HRESULT Init(const SBinary*) override { return S_OK; }
    int DoModal() override { return 1; }  // IDOK
    HRESULT GetProfileKey(SBinary* lpKey) override {
        return CopyBinaryKey(lpKey, (ULONG)m_key.size(), m_key.data());
    }
    CString GetProfileName() override { return kProfile; }

private:
    std::vector<BYTE> m_key;
};

class DemoUiServices : public IUiServices {
public:
    explicit DemoUiServices(std::vector<BYTE> key) : m_key(std::move(key)) { SetUiServices(this); }
    ~DemoUiServices() override { SetUiServices(nullptr); }
    std::unique_ptr<IProfileChooser> CreateProfileChooser(CWnd*) override {
        return std::make_unique<DemoProfileChooser>(m_key);
    }
    std::unique_ptr<IStoreChangesReport> CreateStoreChangesReport(CWnd*) override { return nullptr; }
    std::unique_ptr<ISearchProgress> CreateSearchProgress(CWnd*) override { return nullptr; }
    ULONG_PTR GetWindowHandle(CWnd*) override { return 0; }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    BOOL HasMainWindow() override { return FALSE; }
    void SendCommandToMainWindow(UINT) override {}
    BOOL SendCommandToLeftPane(UINT) override { return FALSE; }

private:
    std::vector<BYTE> m_key;
};

// The instance key of the profile in the profile table; empty when there is no such profile.
std::vector<BYTE> ProfileKey() {
    Held<IProfAdmin> admin;
    Check(MAPIAdminProfiles(0, &admin), "MAPIAdminProfiles");
    Held<IMAPITable> table;
    Check(admin->GetProfileTable(0, &table), "GetProfileTable");
    SizedSPropTagArray(2, columns) = {2, {PR_DISPLAY_NAME_A, PR_INSTANCE_KEY}};
    Check(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0), "SetColumns");
    LPSRowSet lpRows = nullptr;
    Check(table->QueryRows(0x7FFFFFFF, 0, &lpRows), "QueryRows");
    std::vector<BYTE> key;
    for (ULONG i = 0; i < lpRows->cRows; ++i) {
        const SPropValue* lpProps = lpRows->aRow[i].lpProps;
        if (PROP_TYPE(lpProps[0].ulPropTag) == PT_STRING8 &&
            std::strcmp(lpProps[0].Value.lpszA, kProfile) == 0 &&
            PROP_TYPE(lpProps[1].ulPropTag) == PT_BINARY)
            key.assign(lpProps[1].Value.bin.lpb, lpProps[1].Value.bin.lpb + lpProps[1].Value.bin.cb);
    }
    FreeProws(lpRows);
    return key;
}

std::string EntryIdOf(IMAPIProp* lpObject, ULONG ulTag) {
    SizedSPropTagArray(1, tags) = {1, {ulTag}};
    ULONG cValues = 0;
    LPSPropValue lpValue = nullptr;
    Check(lpObject->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &cValues, &lpValue), "GetProps");
    std::string id;
    if (PROP_TYPE(lpValue[0].ulPropTag) == PT_BINARY)
        id.assign(reinterpret_cast<const char*>(lpValue[0].Value.bin.lpb), lpValue[0].Value.bin.cb);
    MAPIFreeBuffer(lpValue);
    return id;
}

IMAPIFolder* OpenFolder(IMsgStore* lpMDB, const std::string& id) {
    ULONG ulType = 0;
    LPUNKNOWN lpUnknown = nullptr;
    Check(lpMDB->OpenEntry((ULONG)id.size(), reinterpret_cast<LPENTRYID>(const_cast<char*>(id.data())),
                           nullptr, MAPI_BEST_ACCESS, &ulType, &lpUnknown),
          "Opening a folder");
    return static_cast<IMAPIFolder*>(lpUnknown);
}

// The entry ids of the top folder of the given name below the store's IPM subtree and of every
// folder below it.
std::vector<std::string> FoldersOf(IMsgStore* lpMDB, const char* lpszTop) {
    std::vector<std::string> ids;
    Held<IMAPIFolder> ipm;
    ipm.p = OpenFolder(lpMDB, EntryIdOf(lpMDB, PR_IPM_SUBTREE_ENTRYID));
    Held<IMAPITable> table;
    Check(ipm->GetHierarchyTable(0, &table), "GetHierarchyTable");
    SizedSPropTagArray(2, columns) = {2, {PR_DISPLAY_NAME_A, PR_ENTRYID}};
    Check(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0), "SetColumns");
    LPSRowSet lpRows = nullptr;
    Check(table->QueryRows(0x7FFF, 0, &lpRows), "QueryRows");
    for (ULONG i = 0; i < lpRows->cRows; ++i) {
        const SPropValue* lpProps = lpRows->aRow[i].lpProps;
        if (PROP_TYPE(lpProps[0].ulPropTag) == PT_STRING8 &&
            std::strcmp(lpProps[0].Value.lpszA, lpszTop) == 0)
            ids.emplace_back(reinterpret_cast<const char*>(lpProps[1].Value.bin.lpb),
                             lpProps[1].Value.bin.cb);
    }
    FreeProws(lpRows);
    if (ids.empty())
        return ids;
    Held<IMAPIFolder> top;
    top.p = OpenFolder(lpMDB, ids[0]);
    Held<IMAPITable> below;
    Check(top->GetHierarchyTable(CONVENIENT_DEPTH, &below), "GetHierarchyTable");
    SizedSPropTagArray(1, idColumn) = {1, {PR_ENTRYID}};
    Check(below->SetColumns(reinterpret_cast<LPSPropTagArray>(&idColumn), 0), "SetColumns");
    lpRows = nullptr;
    Check(below->QueryRows(0x7FFF, 0, &lpRows), "QueryRows");
    for (ULONG i = 0; i < lpRows->cRows; ++i) {
        const SBinary& bin = lpRows->aRow[i].lpProps[0].Value.bin;
        ids.emplace_back(reinterpret_cast<const char*>(bin.lpb), bin.cb);
    }
    FreeProws(lpRows);
    return ids;
}

// Chooses the folders of the configuration's type in the demo store.
void ChooseFolders(CConfigInfo* pConfig, IMAPISession* lpSession, const char* lpszTop) {
    for (int i = 0; i < pConfig->GetStoreCount(); ++i) {
        CStoreInfo* pStore = pConfig->GetStore(i);
        if (pStore == nullptr)
            continue;
        if (pStore->GetStoreName() == kStore) {
            SBinary key{0, nullptr};
            Check(pStore->GetStoreKey(&key), "GetStoreKey");
            Held<IMsgStore> mdb;
            const HRESULT hr = lpSession->OpenMsgStore(0, key.cb, reinterpret_cast<LPENTRYID>(key.lpb),
                                                       nullptr, MAPI_BEST_ACCESS, &mdb);
            free(key.lpb);
            Check(hr, "Opening the store");
            for (const std::string& id : FoldersOf(mdb.p, lpszTop))
                Check(pStore->AddFolder(pConfig->GetConfigType(), mdb.p, (ULONG)id.size(),
                                        reinterpret_cast<const BYTE*>(id.data())),
                      "Adding a folder");
            pConfig->SetCurrentStoreIndex(i);
        }
        pStore->Release();
    }
}

int WriteDemoDocument(const std::string& path) {
    const std::vector<BYTE> key = ProfileKey();
    if (key.empty()) {
        std::fprintf(stderr, "qrvdemodoc: there is no profile \"%s\"; make it with \"qrvstore demo\".\n",
                     kProfile);
        return 1;
    }
    DemoUiServices services(key);
    Held<IMAPISession> session;
    Check(MAPILogonEx(0, const_cast<char*>(kProfile), nullptr,
                      MAPI_NEW_SESSION | MAPI_EXPLICIT_PROFILE | MAPI_EXTENDED | MAPI_NO_MAIL, &session),
          "Logging on to the demo profile");
    CQuorvelDoc doc;
    for (const DemoType& type : kTypes) {
        CConfigInfo* pConfig = nullptr;
        Check(CConfigInfo::CreateConfigInfo(type.lpszName, type.dwType, &doc, &pConfig), "CreateConfigInfo");
        const HRESULT hr = pConfig->OnSelectProfile(nullptr);
        if (SUCCEEDED(hr)) {
            pConfig->ClearNewFlag();
            // The demo's duplicates lie in all the folders of a type: they are searched together.
            pConfig->SetCompareMode(1);
            ChooseFolders(pConfig, session.p, type.lpszFolder);
            Check(doc.AddConfiguration(pConfig), "AddConfiguration");
        }
        pConfig->Release();
        Check(hr, "Choosing the demo profile");
    }
    session->Logoff(0, 0, 0);
    if (!doc.OnSaveDocument(path.c_str())) {
        std::fprintf(stderr, "qrvdemodoc: could not write %s\n", path.c_str());
        return 1;
    }
    std::printf("The demo document %s is ready.\n", path.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 || (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0))) {
        std::fprintf(stderr,
                     "usage: qrvdemodoc [file]\n"
                     "Writes a document with one configuration per item type on the profile \"%s\"\n"
                     "(made by \"qrvstore demo\"), unless the file exists already.\n"
                     "The file defaults to \"<machine root>/Quorvel Demo.qrv\".\n",
                     kProfile);
        return argc == 2 ? 0 : 2;
    }
    // Traced as the program traces, by the settings in Quorvel.ini.
    InitTrace("QRV", "Quorvel.ini");
    const std::string path = argc == 2 ? argv[1] : GetMachineRoot() + "/Quorvel Demo.qrv";
    if (access(path.c_str(), F_OK) == 0) {
        std::printf("The demo document %s exists already; nothing to do.\n", path.c_str());
        return 0;
    }
    if (FAILED(MAPIInitialize(nullptr))) {
        std::fprintf(stderr, "qrvdemodoc: MAPIInitialize failed\n");
        return 1;
    }
    int code = 1;
    try {
        code = WriteDemoDocument(path);
    } catch (const Failure& failure) {
        std::fprintf(stderr, "qrvdemodoc: %s failed: hr = 0x%08lx\n", failure.what.c_str(),
                     (unsigned long)failure.hr);
    }
    MAPIUninitialize();
    return code;
}

// The Search results page on real windows: its fill after a search, beside the search itself.
//
// One generated store of contacts per size (10^3, 10^4, 10^5 at 30 % duplicates), each in a
// profile of its own in a private machine root. BM_SearchThenFill runs the page's search and then
// its fill from that result into an empty tree, as after Start; the fill is the iteration time, the search's
// time of the same run is the counter "search_s" and their ratio "fill/search". The search shows either a
// stand-in progress display that draws nothing (real_progress:0) or the program's own progress dialog
// (real_progress:1), as the program searches. BM_Rebuild fills the page again from the cached result (as a
// page switch does), BM_Select moves the selection (the information group) and BM_DeleteRoots deletes every
// other group from the tree, one item at a time. BM_Empty empties the filled tree as the page does when a
// cleanup closes it (every record given back, every item deleted); its counter "empty_ms" is the emptying
// alone, without the paint after it. These two also run at 3x10^5 contacts, where a cost that grows faster
// than the result shows. BM_SearchThenFill also runs at 2x10^5 and 4x10^5 contacts, where the fill must grow
// linearly. BM_SwitchBack brings a configuration's form view back with its cached result, as choosing another
// configuration and then this one again does (the main window's store check aside). BM_PaneSwitchBack does
// the same through the main window's right pane, store check included, and reports how long the pane showed
// no complete form meanwhile ("blank_s"). BM_CleanupProgress steps the form view's progress display once per
// group, as a cleanup does. Run under a display: xvfb-run -a -s "-screen 0 1280x1024x24"
// bin/bench_afxwnd_results
#include <benchmark/benchmark.h>

#include <wx/app.h>
#include <wx/frame.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "language/LanguageSettings.h"
#include "model/ConfigInfo.h"
#include "model/QuorvelDoc.h"
#include "model/StoreInfo.h"
#include "platform/afx/wnd/DocTemplate.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "platform/afx/wnd/WinApp.h"
#include "platform/mapi/MAPIX.h"
#include "resources/FormResource.h"
#include "resources/Resource.h"
#include "tests/model/UiDoubles.h"
#include "tests/support/TempRoot.h"
#include "tests/ui_views/PanePaints.h"
#include "tools/install/Install.h"
#include "tools/store/Catalog.h"
#include "tools/store/Generator.h"
#include "trace/Trace.h"
#include "ui/FVBase.h"
#include "ui/FormViews.h"
#include "ui/QuorvelDocHost.h"
#include "ui/QuorvelView.h"
#include "ui/SearchProgressDialog.h"
#include "ui/SearchResultPP.h"

namespace {

using Clock = std::chrono::steady_clock;

template <class T>
struct Ref {
    T* p = nullptr;
    ~Ref() {
        if (p != nullptr)
            p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
};

void Settle() {
    for (int i = 0; i < 5; ++i) {
        AfxPumpMessages();
        wxTheApp->Yield(true);
    }
}

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// The stand-in services, with the program's progress dialog when asked for.
struct CBenchUi : qrvtest::FakeUiServices {
    bool bRealProgress = false;
    std::unique_ptr<ISearchProgress> CreateSearchProgress(CWnd* pParent) override {
        return bRealProgress ? CreateSearchProgressDialog(pParent)
                             : FakeUiServices::CreateSearchProgress(pParent);
    }
};

// The machine root, the languages and the host window, shared by every size.
struct CWorld {
    qrvtest::TempRoot root;
    std::unique_ptr<CBenchUi> ui;
    CQuorvelDocHost host;  // the main window's document, for its right pane
    CQuorvelDoc& doc = *host.GetQuorvelDoc();
    CWnd* pHost = nullptr;

    CWorld() {
        SetTraceLevel(TRACE_ERROR);
        std::string error;
        if (FAILED(RunInstall("", error)) || FAILED(InitLanguageModule()) || FAILED(LoadLanguages(2057)))
            std::abort();
        ui = std::make_unique<CBenchUi>();
        AfxSetMessageBoxHook([](const AfxShownMessageBox&) { return IDOK; });
        RegisterFormResources();
        InstallSearchResultPage();
        MAPIInitialize(nullptr);
        auto* pFrame = new wxFrame(nullptr, wxID_ANY, "results", wxPoint(0, 0), wxSize(720, 720));
        pHost = new CWnd;
        pHost->AttachWx(pFrame);
        pFrame->Show();
    }
};

CWorld& World() {
    static CWorld world;
    return world;
}

// One size: its profile and store, a contacts configuration over them, the form view and its page.
struct CSize {
    CConfigInfo* pConfig = nullptr;
    FVPagedView* pView = nullptr;

    explicit CSize(ULONG nItems) {
        CWorld& world = World();
        const std::string profile = "p" + std::to_string(nItems);
        Ref<IProfAdmin> admin;
        Ref<IMsgServiceAdmin> services;
        Ref<IMAPITable> table;
        LPSRowSet lpRows = nullptr;
        MAPIAdminProfiles(0, &admin);
        admin->CreateProfile(profile.c_str(), nullptr, 0, 0);
        admin->AdminServices(profile.c_str(), nullptr, 0, 0, &services);
        services->CreateMsgService("MSPST MS", "Personal", 0, 0);
        services->GetMsgServiceTable(0, &table);
        table->QueryRows(10, 0, &lpRows);
        MAPIUID uid;
        memcpy(uid.ab, lpRows->aRow[0].lpProps[0].Value.bin.lpb, 16);
        FreeProws(lpRows);
        const std::string path = world.root.Path() + "/" + profile + ".pst";
        SPropValue values[2] = {};
        values[0].ulPropTag = PR_PST_PATH;
        values[0].Value.lpszA = const_cast<char*>(path.c_str());
        values[1].ulPropTag = PR_DISPLAY_NAME;
        values[1].Value.lpszA = const_cast<char*>("Personal");
        services->ConfigureMsgService(&uid, 0, 0, 2, values);
        Ref<IMAPITable> profiles;
        admin->GetProfileTable(0, &profiles);
        profiles->QueryRows(100, 0, &lpRows);
        for (ULONG r = 0; r < lpRows->cRows; ++r) {
            bool bThis = false;
            std::vector<BYTE> key;
            for (ULONG i = 0; i < lpRows->aRow[r].cValues; ++i) {
                const SPropValue& v = lpRows->aRow[r].lpProps[i];
                if (v.ulPropTag == PR_DISPLAY_NAME_A && profile == v.Value.lpszA)
                    bThis = true;
                if (v.ulPropTag == PR_INSTANCE_KEY)
                    key.assign(v.Value.bin.lpb, v.Value.bin.lpb + v.Value.bin.cb);
            }
            if (bThis)
                world.ui->chooser.key = key;
        }
        FreeProws(lpRows);
        world.ui->chooser.strName = profile.c_str();

        Ref<IMAPISession> session;
        MAPILogonEx(0, const_cast<char*>(profile.c_str()), nullptr,
                    MAPI_NEW_SESSION | MAPI_EXPLICIT_PROFILE | MAPI_EXTENDED, &session);
        CConfigInfo::CreateConfigInfo(profile.c_str(), CONFIG_TYPE_CONTACT, &world.doc, &pConfig);
        world.doc.AddConfiguration(pConfig);
        pConfig->OnSelectProfile(nullptr);
        Ref<CStoreInfo> store{pConfig->GetStore(0)};
        SBinary key{};
        store->GetStoreKey(&key);
        Ref<IMsgStore> mdb;
        session->OpenMsgStore(0, key.cb, reinterpret_cast<LPENTRYID>(key.lpb), nullptr,
                              MAPI_BEST_ACCESS | MAPI_MODIFY, &mdb);
        free(key.lpb);
        std::vector<qrvstore::CCatalogType> catalog = qrvstore::FindCatalog("");
        qrvstore::CGenerateOptions options;
        options.m_type = qrvstore::FindType(catalog, "contact");
        options.m_count = nItems;
        options.m_duplicates = 0.3;
        qrvstore::Generate(mdb.p, options);
        LPMAPIFOLDER lpFolder = qrvstore::OpenOrMakeFolder(mdb.p, options.m_type->m_folder, "IPF.Contact");
        SizedSPropTagArray(1, tags) = {1, {PR_ENTRYID}};
        ULONG cValues = 0;
        LPSPropValue lpValue = nullptr;
        lpFolder->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &cValues, &lpValue);
        store->AddFolder(mdb.p, lpValue->Value.bin.cb, lpValue->Value.bin.lpb);
        MAPIFreeBuffer(lpValue);
        lpFolder->Release();
        mdb.p->Release();
        mdb.p = nullptr;
        session->Logoff(0, 0, 0);

        ShowView();
        pView->SendMessage(WM_COMMAND, IDC_FV_START, 0);
        Settle();
    }
    // Builds the configuration's form view as the main window's right pane does when the
    // configuration is chosen; with a cached result it comes back with its result page.
    void ShowView() {
        pView = dynamic_cast<FVPagedView*>(CreateFormView(CONFIG_TYPE_CONTACT));
        pView->SetConfigInfo(pConfig);
        pView->Create(nullptr, "Contacts", WS_CHILD | WS_VISIBLE, CRect(0, 0, 700, 700), World().pHost,
                      GetFormViewControlID(CONFIG_TYPE_CONTACT));
        pView->OnInitialUpdate();
        Settle();
    }
    void CloseView() {
        pView->CloseView();
        pView->DestroyWindow();  // the view deletes itself with its window
        pView = nullptr;
        Settle();
    }
    CSearchResultPP* Page() const { return dynamic_cast<CSearchResultPP*>(pView->GetSearchResultsPage()); }
    CResultTree& Tree() const { return Page()->GetTree(); }
};

CSize& Size(ULONG nItems) {
    static std::map<ULONG, std::unique_ptr<CSize>> sizes;
    std::unique_ptr<CSize>& p = sizes[nItems];
    if (!p)
        p = std::make_unique<CSize>(nItems);
    return *p;
}

void BM_SearchThenFill(benchmark::State& state) {
    CSize& size = Size((ULONG)state.range(0));
    CSearchResultPP* pPage = size.Page();
    if (pPage == nullptr) {
        state.SkipWithError("no results page");
        return;
    }
    World().ui->bRealProgress = state.range(1) != 0;
    double search = 0, fill = 0;
    for (auto _ : state) {
        // As the page's update does before it searches again (a search after Start fills a new
        // page): the tree of the round before and the result it held go first, untimed.
        pPage->EmptyTreeCtrl();
        size.pConfig->SetSearchResult(nullptr);
        Settle();
        const auto t0 = Clock::now();
        pPage->FindDuplicates();
        const auto t1 = Clock::now();
        pPage->FillTreeCtrl();
        Settle();  // the first paint of the filled tree belongs to the fill
        const auto t2 = Clock::now();
        search += Seconds(t0, t1);
        fill += Seconds(t1, t2);
        state.SetIterationTime(Seconds(t1, t2));
    }
    state.counters["search_s"] = search / double(state.iterations());
    state.counters["fill_s"] = fill / double(state.iterations());
    state.counters["fill/search"] = fill / search;
    state.counters["tree_items"] = double(size.Tree().GetCount());
    World().ui->bRealProgress = false;
}
BENCHMARK(BM_SearchThenFill)
    ->ArgNames({"contacts", "real_progress"})
    ->Args({1000, 0})
    ->Args({10000, 0})
    ->Args({100000, 0})
    ->Args({10000, 1})
    ->Args({100000, 1})
    ->Args({200000, 0})
    ->Args({400000, 0})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_Rebuild(benchmark::State& state) {
    CSize& size = Size((ULONG)state.range(0));
    CSearchResultPP* pPage = size.Page();
    for (auto _ : state) {
        pPage->FindDuplicates();  // the cached result
        pPage->FillTreeCtrl();
        Settle();
    }
    state.counters["tree_items"] = double(size.Tree().GetCount());
}
BENCHMARK(BM_Rebuild)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

// Choosing another configuration and then this one again: the form view goes, and comes back with
// its result page filled from the cached result and drawn. The iteration time runs from the new
// view's making to its drawn tree; "tree_s" is the tree's part of it (the page's fill from the
// cached result, drawn, after emptying the tree it filled before), "fresh_tree_s" the same fill
// into an empty tree as in the view that comes back, "search_s" the search of the same store in this run,
// timed once (at 400,000 contacts that search alone takes long).
void BM_SwitchBack(benchmark::State& state) {
    CSize& size = Size((ULONG)state.range(0));
    CSearchResultPP* pPage = size.Page();
    if (pPage == nullptr) {
        state.SkipWithError("no results page");
        return;
    }
    size.pConfig->SetSearchResult(nullptr);
    const auto t0 = Clock::now();
    pPage->FindDuplicates();
    const double search = Seconds(t0, Clock::now());
    pPage->FillTreeCtrl();
    Settle();
    for (auto _ : state) {
        state.PauseTiming();
        size.CloseView();
        state.ResumeTiming();
        size.ShowView();
    }
    // The tree's part: the page's fill from the cached result, drawn.
    double tree = 0;
    for (int i = 0; i < 3; ++i) {
        const auto t1 = Clock::now();
        size.Page()->FindDuplicates();
        size.Page()->FillTreeCtrl();
        Settle();
        tree += Seconds(t1, Clock::now()) / 3;
    }
    // The same into an empty tree, as in a form that comes back: nothing to empty first.
    double fresh = 0;
    for (int i = 0; i < 3; ++i) {
        size.Page()->EmptyTreeCtrl();
        Settle();
        const auto t1 = Clock::now();
        size.Page()->FindDuplicates();
        size.Page()->FillTreeCtrl();
        Settle();
        fresh += Seconds(t1, Clock::now()) / 3;
    }
    state.counters["search_s"] = search;
    state.counters["tree_s"] = tree;
    state.counters["fresh_tree_s"] = fresh;
    state.counters["tree_items"] = size.Page() ? double(size.Tree().GetCount()) : 0.0;
}
BENCHMARK(BM_SwitchBack)->Arg(100000)->Arg(400000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The main window's right pane brings the configuration back: from the notice of the choice to the
// drawn tree, the store check included. "blank_s" is the longest time the pane showed no complete
// form (neither the one shown before nor the one it brought back).
void BM_PaneSwitchBack(benchmark::State& state) {
    CSize& other = Size(1000);
    CSize& size = Size((ULONG)state.range(0));
    if (size.Page() == nullptr) {
        state.SkipWithError("no results page");
        return;
    }
    size.CloseView();  // one form of the configuration at a time: the pane's
    CWorld& world = World();
    CCreateContext context;
    context.m_pCurrentDoc = &world.host;
    auto* pPane = new CQuorvelView;
    pPane->Create(nullptr, "pane", WS_CHILD | WS_VISIBLE, CRect(0, 0, 700, 700), world.pHost, 1, &context);
    auto choose = [&](CConfigInfo* pConfig) {
        world.doc.SetCurrentConfigID(pConfig->GetConfigID());
        pPane->SendMessage(WM_COMMAND, ID_CURRENT_CONFIG_CHANGED, 0);
    };
    double blank = 0;
    for (auto _ : state) {
        state.PauseTiming();
        choose(other.pConfig);
        Settle();
        qrvtest::CPanePaints watch(pPane, pPane->GetCurrentForm());
        state.ResumeTiming();
        choose(size.pConfig);
        Settle();  // the drawn tree
        blank = std::max(blank, watch.LongestBlank());
    }
    state.counters["blank_s"] = blank;
    pPane->DestroyWindow();
    Settle();
    size.ShowView();
}
BENCHMARK(BM_PaneSwitchBack)->Arg(100000)->Arg(400000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Select(benchmark::State& state) {
    CSize& size = Size((ULONG)state.range(0));
    CResultTree& tree = size.Tree();
    std::vector<HTREEITEM> roots;
    for (HTREEITEM h = tree.GetRootItem(); h != nullptr; h = tree.GetNextSiblingItem(h))
        roots.push_back(h);
    size_t n = 0;
    for (auto _ : state) {
        tree.SelectItem(roots[(n++ * 7919) % roots.size()]);
        Settle();
    }
}
BENCHMARK(BM_Select)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_DeleteRoots(benchmark::State& state) {
    CSize& size = Size((ULONG)state.range(0));
    CSearchResultPP* pPage = size.Page();
    CResultTree& tree = size.Tree();
    size_t nDeleted = 0;
    for (auto _ : state) {
        state.PauseTiming();
        pPage->FindDuplicates();
        pPage->FillTreeCtrl();
        Settle();
        state.ResumeTiming();
        int nStep = 0;
        for (HTREEITEM h = tree.GetRootItem(); h != nullptr; ++nStep) {
            HTREEITEM hNext = tree.GetNextSiblingItem(h);
            if (nStep % 2 == 0) {
                pPage->FreeBranchMemory(h);
                tree.DeleteItem(h);
                ++nDeleted;
            }
            h = hNext;
        }
        Settle();
    }
    state.counters["deleted"] = double(nDeleted) / double(state.iterations());
}
BENCHMARK(BM_DeleteRoots)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(300000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

void BM_Empty(benchmark::State& state) {
    CSize& size = Size((ULONG)state.range(0));
    CSearchResultPP* pPage = size.Page();
    size_t nItems = 0;
    double empty = 0;
    for (auto _ : state) {
        state.PauseTiming();
        pPage->FindDuplicates();
        pPage->FillTreeCtrl();
        Settle();
        nItems = size.Tree().GetCount();
        state.ResumeTiming();
        const auto t0 = Clock::now();
        pPage->EmptyTreeCtrl();
        const auto t1 = Clock::now();
        Settle();
        empty += Seconds(t0, t1);
    }
    state.counters["tree_items"] = double(nItems);
    state.counters["empty_ms"] = 1000 * empty / double(state.iterations());
}
BENCHMARK(BM_Empty)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(300000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The form view's progress display as a cleanup drives it: one step per group of the tree.
void BM_CleanupProgress(benchmark::State& state) {
    CSize& size = Size(1000);
    const int nGroups = (int)state.range(0);
    for (auto _ : state) {
        size.pView->StartCleanup();
        for (int i = 1; i <= nGroups; ++i)
            size.pView->SetProgress((int)((long long)i * 100 / nGroups));
        size.pView->EndCleanup();
        Settle();
    }
    state.counters["groups"] = nGroups;
}
BENCHMARK(BM_CleanupProgress)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    char name[] = "bench_afxwnd_results";
    char* args[] = {name, nullptr};
    if (std::getenv("DISPLAY") == nullptr || !AfxWinInit(1, args))
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::_Exit(0);  // the windows and stores go with the process
}

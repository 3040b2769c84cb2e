// The whole search over a generated store with the progress dialog shown, against the same search
// with a progress display that draws nothing: the difference is what showing the progress costs.
//
// One store of 100,000 contacts (30 % duplicates) in 10 folders, made once per run in a private
// machine root. Run on a display (xvfb-run).
#include <benchmark/benchmark.h>

#include <wx/frame.h>

#include <memory>
#include <vector>

#include "bench/support/ContactStore.h"
#include "engine/DrawerMapList.h"
#include "platform/afx/wnd/WinApp.h"
#include "platform/afx/wnd/Wnd.h"
#include "resources/ResultTemplates.h"
#include "trace/Trace.h"
#include "ui/SearchProgressDialog.h"

namespace {

using benchstore::kItems;

// The search world's services, with the real dialog for the progress.
class CDialogUi : public enginetest::CFakeUi {
public:
    std::unique_ptr<ISearchProgress> CreateSearchProgress(CWnd* pParent) override {
        return CreateSearchProgressDialog(pParent);
    }
};

struct CFixture {
    std::unique_ptr<enginetest::CSearchWorld> world;
    enginetest::CTestConfig* pConfig = nullptr;
    CDialogUi dialogUi;
    CWnd host;

    CFixture() {
        SetTraceLevel(TRACE_ERROR);
        world = std::make_unique<enginetest::CSearchWorld>(1);
        pConfig = benchstore::MakeContactConfig(*world, benchstore::GenerateContacts(*world));
        dialogUi.m_profileKey = world->Ui().m_profileKey;
        RegisterResultResources();
        auto* pFrame = new wxFrame(nullptr, wxID_ANY, "search host", wxPoint(0, 0), wxSize(720, 600));
        host.AttachWx(pFrame);
        pFrame->Show();
    }
    ~CFixture() {
        pConfig->Release();
        host.DestroyWindow();
    }
};

// Made on first use; gone before the toolkit ends, since it holds a window.
std::unique_ptr<CFixture> g_fixture;

CFixture& Fixture() {
    if (!g_fixture)
        g_fixture = std::make_unique<CFixture>();
    return *g_fixture;
}

void Search(benchmark::State& state, IUiServices* pServices) {
    CFixture& fixture = Fixture();
    SetUiServices(pServices);
    for (auto _ : state) {
        CDrawerMapList* pList = nullptr;
        if (FAILED(fixture.pConfig->FindDuplicates(&pList, &fixture.host)))
            state.SkipWithError("search failed");
        if (pList != nullptr)
            pList->Release();
    }
    SetUiServices(&fixture.world->Ui());
    state.counters["items/s"] =
        benchmark::Counter(double(kItems) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_SearchWithoutDialog(benchmark::State& state) {
    Search(state, &Fixture().world->Ui());
}

void BM_SearchWithDialog(benchmark::State& state) {
    Search(state, &Fixture().dialogUi);
}

}  // namespace

BENCHMARK(BM_SearchWithoutDialog)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SearchWithDialog)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    char szProgram[] = "bench_progress";
    char* toolkitArgv[] = {szProgram, nullptr};
    if (!AfxWinInit(1, toolkitArgv))
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_fixture.reset();
    AfxWinTerm();
    return 0;
}

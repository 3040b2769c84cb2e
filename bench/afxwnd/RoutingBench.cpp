// The cost of finding a command's handler through a chain of message maps, and of the state
// query an idle pass makes for every toolbar button.
#include <benchmark/benchmark.h>

#include "platform/afx/wnd/CmdTarget.h"

namespace {

int g_hits = 0;

class CLevel0 : public CCmdTarget {
public:
    void OnCmd() { ++g_hits; }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CLevel0, CCmdTarget)
ON_COMMAND(100, &CLevel0::OnCmd)
ON_COMMAND(101, &CLevel0::OnCmd)
ON_COMMAND(102, &CLevel0::OnCmd)
ON_COMMAND(103, &CLevel0::OnCmd)
ON_COMMAND(104, &CLevel0::OnCmd)
ON_COMMAND(105, &CLevel0::OnCmd)
ON_COMMAND(106, &CLevel0::OnCmd)
ON_COMMAND(107, &CLevel0::OnCmd)
END_MESSAGE_MAP()

// Three derived levels with entries of their own, as a view over a form view over a view.
class CLevel1 : public CLevel0 {
public:
    void OnOther() {}
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CLevel1, CLevel0)
ON_COMMAND(200, &CLevel1::OnOther)
ON_COMMAND(201, &CLevel1::OnOther)
ON_COMMAND(202, &CLevel1::OnOther)
ON_COMMAND(203, &CLevel1::OnOther)
END_MESSAGE_MAP()

class CLevel2 : public CLevel1 {
public:
    void OnUpdate(CCmdUI* p) { p->Enable(TRUE); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CLevel2, CLevel1)
ON_UPDATE_COMMAND_UI(300, &CLevel2::OnUpdate)
ON_UPDATE_COMMAND_UI(301, &CLevel2::OnUpdate)
ON_UPDATE_COMMAND_UI(302, &CLevel2::OnUpdate)
END_MESSAGE_MAP()

void BM_CommandFoundAtTheBase(benchmark::State& state) {
    CLevel2 target;
    for (auto _ : state)
        benchmark::DoNotOptimize(target.OnCmdMsg(107, CN_COMMAND, nullptr, nullptr));
}
BENCHMARK(BM_CommandFoundAtTheBase);

void BM_CommandWithoutHandler(benchmark::State& state) {
    CLevel2 target;
    for (auto _ : state)
        benchmark::DoNotOptimize(target.OnCmdMsg(999, CN_COMMAND, nullptr, nullptr));
}
BENCHMARK(BM_CommandWithoutHandler);

void BM_StateQueryOfNineButtons(benchmark::State& state) {
    CLevel2 target;
    const UINT ids[] = {100, 101, 102, 0, 200, 201, 300, 0, 999};
    for (auto _ : state) {
        for (UINT id : ids) {
            CCmdUI ui;
            ui.m_nID = id;
            ui.DoUpdate(&target, TRUE);
            benchmark::DoNotOptimize(ui.m_bEnabled);
        }
    }
}
BENCHMARK(BM_StateQueryOfNineButtons);

}  // namespace

BENCHMARK_MAIN();

// "qrvstore item set" on a store of 100,000 contacts against "qrvstore folder list" of it, each a
// whole process: the second change of an unchanged store (BM_SecondSetOverList) and the first
// change after another program changed it (BM_FirstSetOverList), which pays the whole-file check.
// Runs alternate with the list; the medians of the paired ratios are reported. Beside them, the
// peak memory of "qrvstore item export" of one folder of 50,040 mails against the file it writes
// (BM_ExportOfOneFolder).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/TempRoot.h"

namespace {

// In a forked child: becomes the tool, its standard output on 'outFd' (-1: none), its errors gone.
[[noreturn]] void ExecTool(const std::vector<std::string>& args, int outFd) {
    std::vector<char*> argv = {const_cast<char*>(QRVSTORE_PATH)};
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    int null = open("/dev/null", O_WRONLY);
    dup2(outFd >= 0 ? outFd : null, 1);
    dup2(null, 2);
    execv(QRVSTORE_PATH, argv.data());
    _exit(127);
}

// Runs the tool; its standard output, or "" when it failed.
std::string Tool(const std::vector<std::string>& args) {
    int out[2];
    if (pipe(out) != 0) {
        return "";
    }
    pid_t child = fork();
    if (child == 0) {
        close(out[0]);
        ExecTool(args, out[1]);
    }
    close(out[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = read(out[0], buffer, sizeof(buffer))) > 0;) {
        text.append(buffer, size_t(got));
    }
    close(out[0]);
    int status = -1;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? text : std::string();
}

double Seconds(const std::vector<std::string>& args) {
    const auto start = std::chrono::steady_clock::now();
    Tool(args);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct CFixture {
    qrvtest::TempRoot root;
    std::string item;
    CFixture() {
        Tool({"store", "create", "big.qst"});
        Tool({"generate", "big.qst", "contact", "100000", "--folders", "1"});
        const std::string listed = Tool({"item", "list", "big.qst", "Contacts", "--limit", "1"});
        item = listed.substr(0, listed.find('\t'));
    }
    // A change by another program, with SQLite of its own.
    void ChangeAsAnotherProgram() {
        sqlite3* db = nullptr;
        if (sqlite3_open((root.Path() + "/mapi/stores/big.qst").c_str(), &db) == SQLITE_OK) {
            sqlite3_exec(db, "UPDATE folders SET comment = comment || '.' WHERE id = 1", nullptr, nullptr,
                         nullptr);
        }
        sqlite3_close(db);
    }
};

CFixture& Fixture() {
    static CFixture fixture;
    return fixture;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void Run(benchmark::State& state, bool changedByAnother) {
    CFixture& fixture = Fixture();
    if (fixture.item.empty()) {
        state.SkipWithError("no store");
        return;
    }
    std::vector<double> ratios, sets, lists;
    int n = 0;
    Tool({"item", "set", "big.qst", fixture.item, "0x3001001E", "warm"});
    for (auto _ : state) {
        if (changedByAnother) {
            fixture.ChangeAsAnotherProgram();
        }
        const double set =
            Seconds({"item", "set", "big.qst", fixture.item, "0x3001001E", "name " + std::to_string(++n)});
        const double list = Seconds({"folder", "list", "big.qst"});
        state.SetIterationTime(set + list);
        ratios.push_back(set / list);
        sets.push_back(set * 1e3);
        lists.push_back(list * 1e3);
    }
    state.counters["ratio"] = Median(ratios);
    state.counters["set_ms"] = Median(sets);
    state.counters["list_ms"] = Median(lists);
}

void BM_SecondSetOverList(benchmark::State& state) {
    Run(state, false);
}
void BM_FirstSetOverList(benchmark::State& state) {
    Run(state, true);
}

// The peak resident memory, in kilobytes, of a whole run of the tool; -1 when it failed.
long PeakKilobytes(const std::vector<std::string>& args) {
    pid_t child = fork();
    if (child == 0) {
        ExecTool(args, -1);
    }
    int status = -1;
    struct rusage usage {};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return -1;
    }
    return usage.ru_maxrss;
}

void BM_ExportOfOneFolder(benchmark::State& state) {
    qrvtest::TempRoot root;
    Tool({"store", "create", "mail.qst"});
    Tool({"generate", "mail.qst", "mail", "50040"});
    const std::string out = root.Path() + "/mail.json";
    std::vector<double> peaks;
    for (auto _ : state) {
        const long peak = PeakKilobytes({"item", "export", "mail.qst", "Inbox", "--out", out});
        if (peak < 0) {
            state.SkipWithError("the export failed");
            return;
        }
        peaks.push_back(peak / 1024.0);
    }
    struct stat st {};
    stat(out.c_str(), &st);
    state.counters["peak_MB"] = Median(peaks);
    state.counters["file_MB"] = st.st_size / 1048576.0;
    state.counters["peak_per_file"] = Median(peaks) / (st.st_size / 1048576.0);
}

}  // namespace

BENCHMARK(BM_ExportOfOneFolder)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SecondSetOverList)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(15);
BENCHMARK(BM_FirstSetOverList)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK_MAIN();

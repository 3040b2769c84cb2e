// Start-up from the INI file and the log file: names, fallback, locking, expansion.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/HangGuard.h"
#include "tests/support/TempRoot.h"
#include "tests/trace/TraceCapture.h"

namespace {

// Opens, locks and writes to a log file the way another running instance holds it.
int HoldAsOtherInstance(const std::string& path, const std::string& text) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(::write(fd, text.data(), text.size()), (ssize_t)text.size());
    return fd;
}

size_t FilesIn(const std::string& dir) {
    size_t files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir))
        files += e.is_regular_file();
    return files;
}

}  // namespace

TEST_F(TraceTest, LevelComesFromTheIniAndIsErrorsOnlyWithoutOne) {
    qrvtest::TempRoot root;
    const struct {
        const char* ini;
        LONG level;
        size_t pieces;  // of an error, a warning, a scope and an info line
    } cases[] = {{nullptr, 0, 1}, {"[QRV]\nDebugLevel=3\n", 3, 5}, {"[QRV]\nDebugLevel=4\n", 4, 6}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level);
        if (c.ini != nullptr)
            root.WriteFile("windows/Quorvel.ini", c.ini);
        InitTrace("QRV", "Quorvel.ini");
        EXPECT_EQ(GetTraceLevel(), c.level);
        QTRACE(TRACE_ERROR, "e\n");
        QTRACE(TRACE_WARNING, "w\n");
        { TRACE_FUNC_VOID("F"); }
        QTRACE(TRACE_INFO, "i\n");
        auto p = Take();
        ASSERT_EQ(p.size(), c.pieces);
        EXPECT_TRUE(IsPrefixed(p[0], "E[QRV-TraceFileTest.cpp:", "] e\n")) << p[0];
    }
}

TEST_F(TraceTest, LogFileUnderAnExpandedNameHoldsEveryPieceAsWritten) {
    qrvtest::TempRoot root;
    setenv("QRV_TRACE_DIR", root.Path().c_str(), 1);
    root.WriteFile("windows/Quorvel.ini", "[QRV]\nDebugLevel=3\nDebugFile=%QRV_TRACE_DIR%/trace.log\n");
    InitTrace("QRV", "Quorvel.ini");
    unsetenv("QRV_TRACE_DIR");
    { TRACE_FUNC_VOID("InitInstance"); }
    QTRACE(TRACE_ERROR, "failure %d\n", 1);
    // Flushed after each piece: readable before anything is closed.
    const std::string all = TakeAll();
    EXPECT_EQ(root.ReadFile("trace.log"), all);
    EXPECT_NE(all.find("-->InitInstance()\n<--InitInstance()\n"), std::string::npos);
}

TEST_F(TraceTest, HeldLogFileIsNeverTruncatedAndTheNextNameIsUsed) {
    qrvtest::TempRoot root;
    std::string log = root.Path() + "/trace.log";
    int first = HoldAsOtherInstance(log, "first instance line\n");
    int second = HoldAsOtherInstance(log + "0", "second instance line\n");
    root.WriteFile("trace.log1", "stale content of a finished run\n");

    OpenTraceFile(log.c_str());
    QTRACE(TRACE_ERROR, "third\n");
    EXPECT_EQ(root.ReadFile("trace.log"), "first instance line\n");
    EXPECT_EQ(root.ReadFile("trace.log0"), "second instance line\n");
    // The first free name is taken and emptied before use.
    EXPECT_EQ(root.ReadFile("trace.log1"), TakeAll());
    EXPECT_FALSE(std::filesystem::exists(log + "2"));
    EXPECT_EQ(::write(first, "first goes on\n", 14), 14);
    EXPECT_EQ(root.ReadFile("trace.log"), "first instance line\nfirst goes on\n");
    ::close(first);
    ::close(second);
}

TEST_F(TraceTest, AFifoOrADeviceAsTheLogIsPassedOverAsADirectoryIs) {
    qrvtest::TempRoot root;
    std::string log = root.Path() + "/trace.log";
    ASSERT_EQ(::mkfifo(log.c_str(), 0600), 0);
    {
        // Without a reader the open would wait for one for good, and hold the start-up with it.
        qrvtest::HangGuard guard("opening a FIFO as the log file");
        OpenTraceFile(log.c_str());
    }
    QTRACE(TRACE_ERROR, "to the next name\n");
    EXPECT_EQ(root.ReadFile("trace.log0"), TakeAll());
}

TEST_F(TraceTest, TheNullDeviceAsTheLogDiscardsTheTraceAndMakesNoOtherFile) {
    qrvtest::TempRoot root;
    // Numbered names beside /dev/null would be files made in /dev.
    OpenTraceFile("/dev/null");
    QTRACE(TRACE_ERROR, "discarded\n");
    EXPECT_EQ(Take().size(), 1u);
    EXPECT_FALSE(std::filesystem::exists("/dev/null0"));
    CloseTraceFile();
    std::error_code ignored;
    std::filesystem::remove("/dev/null0", ignored);
}

TEST_F(TraceTest, NamesThatCannotBeUsedLeaveOnlyTheDebuggerOutput) {
    qrvtest::TempRoot root;
    // Numbered names of an empty name would be "0" to "99" in the current directory.
    std::string previous = std::filesystem::current_path();
    std::filesystem::current_path(root.Path());
    OpenTraceFile("");
    OpenTraceFile(nullptr);
    OpenTraceFile((root.Path() + "/missing-dir/trace.log").c_str());
    QTRACE(TRACE_ERROR, "still traced\n");
    std::filesystem::current_path(previous);
    EXPECT_EQ(Take().size(), 1u);
    EXPECT_TRUE(std::filesystem::is_empty(root.Path()));
}

TEST_F(TraceTest, OverlongDebugFileIsNotUsed) {
    qrvtest::TempRoot root;
    // Expands beyond the 260-byte limit: a cut name would be some other file.
    setenv("QRV_TRACE_LONG", (root.Path() + "/" + std::string(250, 'd')).c_str(), 1);
    root.WriteFile("windows/Quorvel.ini", "[QRV]\nDebugLevel=0\nDebugFile=%QRV_TRACE_LONG%/t.log\n");
    InitTrace("QRV", "Quorvel.ini");
    unsetenv("QRV_TRACE_LONG");
    QTRACE(TRACE_ERROR, "x\n");
    EXPECT_EQ(FilesIn(root.Path()), 0u);
    // A value longer than the 256-byte INI buffer is not cut to a shorter name either.
    std::string longName = root.Path() + "/" + std::string(300 - root.Path().size(), 'n');
    root.WriteFile("windows/Quorvel.ini", "[QRV]\nDebugFile=" + longName + "\n");
    InitTrace("QRV", "Quorvel.ini");
    QTRACE(TRACE_ERROR, "x\n");
    EXPECT_EQ(FilesIn(root.Path()), 0u);
}

TEST_F(TraceTest, PiecesOfConcurrentThreadsStayWhole) {
    qrvtest::TempRoot root;
    OpenTraceFile((root.Path() + "/mt.log").c_str());
    SetTraceLevel(TRACE_ERROR);
    auto work = [] {
        for (int i = 0; i < 200; ++i)
            QTRACE_RAW(TRACE_ERROR, "%s\n", std::string(300, 'a' + (i % 26)));
    };
    std::thread a(work), b(work);
    a.join();
    b.join();
    std::string text = root.ReadFile("mt.log");
    size_t lines = 0;
    for (size_t pos = 0; pos < text.size(); ++lines) {
        size_t nl = text.find('\n', pos);
        ASSERT_NE(nl, std::string::npos);
        ASSERT_EQ(text.substr(pos, nl - pos), std::string(300, text[pos]));
        pos = nl + 1;
    }
    EXPECT_EQ(lines, 400u);
}

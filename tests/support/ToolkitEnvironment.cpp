// Starts the toolkit once per window test program, when there is a display to start it on.
#include "tests/support/ToolkitEnvironment.h"

#include <glib.h>
#include <unistd.h>
#include <wx/log.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/afx/wnd/WinApp.h"

namespace qrvtest {

namespace {

bool g_running = false;
std::string g_failure;
int g_nComplaintsExpected = 0;

// Said as GLib says it, and a failure of the running test unless it expects it.
void OnToolkitCritical(const gchar* lpszDomain, GLogLevelFlags level, const gchar* lpszMessage, gpointer) {
    g_log_default_handler(lpszDomain, level, lpszMessage, nullptr);
    if (g_nComplaintsExpected == 0 && ::testing::UnitTest::GetInstance()->current_test_info() != nullptr)
        ADD_FAILURE() << "the toolkit complained: " << (lpszDomain != nullptr ? lpszDomain : "") << ": "
                      << (lpszMessage != nullptr ? lpszMessage : "");
}

void WatchToolkitCriticals() {
    static bool bWatching = false;
    if (bWatching)
        return;
    bWatching = true;
    for (const char* lpszDomain : {"Gtk", "Gdk", "GLib", "GLib-GObject", "GLib-GIO", "Pango", "GdkPixbuf"})
        g_log_set_handler(
            lpszDomain,
            static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_FLAG_FATAL | G_LOG_FLAG_RECURSION),
            OnToolkitCritical, nullptr);
}

std::string DisplayName() {
    if (const char* lpsz = std::getenv("DISPLAY"); lpsz != nullptr && *lpsz != '\0')
        return lpsz;
    if (const char* lpsz = std::getenv("WAYLAND_DISPLAY"); lpsz != nullptr && *lpsz != '\0')
        return lpsz;
    return "";
}

const char* ConnectionError(int nError) {
    switch (nError) {
        case XCB_CONN_ERROR:
            return "the connection failed or was closed by the server";
        case XCB_CONN_CLOSED_MEM_INSUFFICIENT:
            return "out of memory";
        case XCB_CONN_CLOSED_PARSE_ERR:
            return "the display name cannot be read";
        case XCB_CONN_CLOSED_INVALID_SCREEN:
            return "the display has no such screen";
        default:
            return "the connection was closed";
    }
}

// Keeps what the toolkit logs while it starts: its own account of a failed start goes nowhere else.
class StartLog : public wxLog {
public:
    std::string m_text;

protected:
    void DoLogRecord(wxLogLevel, const wxString& msg, const wxLogRecordInfo&) override {
        m_text += (m_text.empty() ? "" : "; ") + msg.utf8_string();
    }
};

// Connects to the display once more, apart from the toolkit: whether it takes a client now.
bool DisplayAnswers(std::string& answer) {
    if (std::getenv("DISPLAY") == nullptr) {
        answer = "no X display to ask";
        return false;
    }
    xcb_connection_t* pConnection = xcb_connect(nullptr, nullptr);
    const int nError = xcb_connection_has_error(pConnection);
    xcb_disconnect(pConnection);
    if (nError != 0) {
        answer = std::string("a connection of the test's own fails too: ") + ConnectionError(nError);
        return false;
    }
    // An X server that is not told -noreset resets whenever its last client leaves, and closes
    // a connection that came in meanwhile: between two tests of a parallel run, that was a start.
    answer =
        "a connection of the test's own is taken right after, so the server dropped the toolkit's "
        "(an X server without -noreset resets whenever its last client leaves)";
    return true;
}

}  // namespace

ToolkitEnvironment::ToolkitEnvironment(const char* lpszProgram) : m_program(lpszProgram) {
    m_argv[0] = m_program.data();
}

bool ToolkitEnvironment::StartOnce(std::string& said) {
    // The toolkit, the X library and the display server's refusal write to the error output.
    std::FILE* pCapture = std::tmpfile();
    const int nSaved = pCapture != nullptr ? ::dup(STDERR_FILENO) : -1;
    std::fflush(stderr);
    if (nSaved >= 0)
        ::dup2(::fileno(pCapture), STDERR_FILENO);
    // The toolkit deletes the log target it finds once it has started; after a failed start the
    // target is still this one.
    auto* pLog = new StartLog;
    wxLog* pPrevious = wxLog::SetActiveTarget(pLog);
    const bool bStarted = AfxWinInit(1, m_argv) != FALSE;
    said.clear();
    if (!bStarted && wxLog::SetActiveTarget(pPrevious) == pLog) {
        said = pLog->m_text;
        delete pLog;
    }
    std::fflush(stderr);
    if (nSaved >= 0) {
        ::dup2(nSaved, STDERR_FILENO);
        ::close(nSaved);
        std::rewind(pCapture);
        char buffer[512];
        std::string written;
        for (size_t cb; (cb = std::fread(buffer, 1, sizeof buffer, pCapture)) > 0;)
            written.append(buffer, cb);
        // Nothing the toolkit wrote is lost to the test's own output.
        std::fwrite(written.data(), 1, written.size(), stderr);
        said += (said.empty() || written.empty() ? "" : "; ") + written;
    }
    if (pCapture != nullptr)
        std::fclose(pCapture);
    while (!said.empty() && (said.back() == '\n' || said.back() == '\r'))
        said.pop_back();
    return bStarted;
}

void ToolkitEnvironment::SetUp() {
    g_failure.clear();
    const std::string display = DisplayName();
    if (display.empty())
        return;
    BeforeStart();
    WatchToolkitCriticals();
    // A start the display dropped while it reset is tried again; any other failure stands.
    const int nTries = 3;
    for (int nTry = 1; nTry <= nTries && !g_running; ++nTry) {
        std::string said, answer;
        g_running = StartOnce(said);
        if (g_running)
            break;
        const bool bAnswers = DisplayAnswers(answer);
        g_failure += "the toolkit did not start on display " + display + " (try " + std::to_string(nTry) +
                     " of " + std::to_string(nTries) + "): " + (said.empty() ? "it said nothing" : said) +
                     "; " + answer + "\n";
        if (!bAnswers)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100 * nTry));
    }
    if (!g_failure.empty())
        std::fprintf(stderr, "%s", g_failure.c_str());
    if (g_running)
        OnStarted();
}

void ToolkitEnvironment::TearDown() {
    if (g_running)
        AfxWinTerm();
    g_running = false;
}

ToolkitComplaintsExpected::ToolkitComplaintsExpected() {
    ++g_nComplaintsExpected;
}

ToolkitComplaintsExpected::~ToolkitComplaintsExpected() {
    --g_nComplaintsExpected;
}

bool ToolkitRunning() {
    return g_running;
}

bool DisplayNamed() {
    return !DisplayName().empty();
}

std::string ToolkitStartFailure() {
    return g_failure.empty() ? "the toolkit did not start" : g_failure;
}

}  // namespace qrvtest

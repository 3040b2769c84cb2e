// The trace facility: level test, prefix, message formatting and output of each piece.
#include "trace/Trace.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/win32/DebugOutput.h"
#include "platform/win32/Environment.h"
#include "platform/win32/Profile.h"
#include "platform/win32/RegularFile.h"
#include "platform/win32/SystemTime.h"
#include "platform/win32/Threads.h"

namespace qrvtrace {
// Before InitTrace only errors are traced: the level the user chose is not known yet, and code
// that runs before it (static objects of the libraries) must not fill the terminal of every start
// with call lines.
std::atomic<LONG> g_traceLevel{TRACE_ERROR};
}  // namespace qrvtrace

namespace {

std::atomic<const char*> g_module{""};
std::atomic<int> g_logFd{-1};

// One buffer holds the prefix and the message, each cut at the formatter's 1024 bytes.
constexpr size_t kTraceBufferSize = 8192;
// The INI value is read into a buffer of this size; a longer value is not a usable path.
constexpr DWORD kDebugFileBufferSize = 256;

const char* LevelLetter(int level) {
    switch (level) {
        case TRACE_ERROR:
            return "E";
        case TRACE_WARNING:
            return "W";
        case TRACE_DATA:
            return "D";
        case TRACE_CALL:
            return "C";
        case TRACE_INFO:
            return "I";
        default:
            return "U";
    }
}

// The file name behind the last path separator; sources are named with '/' here, '\' elsewhere.
const char* BaseName(const char* file) {
    if (!file)
        return "";
    const char* name = file;
    for (const char* p = file; *p; ++p)
        if (*p == '/' || *p == '\\')
            name = p + 1;
    return name;
}

void WriteAll(int fd, const char* text, size_t len) {
    while (len > 0) {
        ssize_t n = ::write(fd, text, len);
        if (n <= 0)
            return;  // a write error on the log file is ignored
        text += n;
        len -= (size_t)n;
    }
}

// Opens name for writing without truncating it, takes the exclusive lock and only then empties
// it: a file that another instance is writing is never cut. -1 when it is held or cannot be opened.
// A FIFO or any other file that is neither a regular file nor a character device is refused as a
// directory is: a FIFO would hold the start-up until something reads it. A character device
// (/dev/null to discard the log, a terminal) is written as it is, never locked or emptied.
int OpenLocked(const char* name) {
    int fd = qrvfile::OpenRegularFile(name, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0 && errno == EINVAL) {
        struct stat st;
        if (::stat(name, &st) == 0 && S_ISCHR(st.st_mode)) {
            fd = ::open(name, O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
            if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))) {
                ::close(fd);
                fd = -1;
            }
            return fd;
        }
    }
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ftruncate(fd, 0) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

void InitTrace(const char* section, const char* iniFile) {
    SetTraceModule(section);
    SetTraceLevel((LONG)GetPrivateProfileIntA(section, "DebugLevel", 0, iniFile));
    // Read with room to spare, so that a value too long for the 256-byte buffer is recognised
    // and dropped instead of opening a file named by its first 255 characters.
    char file[4 * kDebugFileBufferSize];
    DWORD len = GetPrivateProfileStringA(section, "DebugFile", "", file, sizeof file, iniFile);
    if (len > 0 && len < kDebugFileBufferSize)
        OpenTraceFile(file);
}

void OpenTraceFile(const char* path) {
    if (!path || !*path)
        return;
    char expanded[MAX_PATH];
    DWORD needed = ExpandEnvironmentStringsA(path, expanded, sizeof expanded);
    if (needed == 0 || needed > sizeof expanded)
        return;  // a name that did not fit would be a different file
    int fd = OpenLocked(expanded);
    for (int i = 0; fd < 0 && i < 100; ++i) {
        std::string numbered = FormatText("%s%d", expanded, i);
        fd = OpenLocked(numbered.c_str());
    }
    if (fd < 0)
        return;
    int previous = g_logFd.exchange(fd);
    if (previous >= 0)
        ::close(previous);
}

void CloseTraceFile() {
    int previous = g_logFd.exchange(-1);
    if (previous >= 0)
        ::close(previous);
}

LONG SetTraceLevel(LONG level) {
    return qrvtrace::g_traceLevel.exchange(level);
}

LONG GetTraceLevel() {
    return qrvtrace::g_traceLevel.load();
}

void SetTraceModule(const char* name) {
    g_module.store(name ? name : "");
}

void TraceV(const char* file, int line, int level, const char* fmt, const FormatArg* args, size_t count) {
    DWORD lastError = GetLastError();
    if (!TraceEnabled(level))
        return;
    const char* letter = LevelLetter(level);
    if (level < TRACE_ERROR || level > TRACE_INFO)
        Trace(__FILE__, __LINE__, TRACE_ERROR,
              "*** **** Undefined trace level %i used -> using specifier 'U'!\n", level);
    SYSTEMTIME now;
    GetLocalTime(&now);
    char buffer[kTraceBufferSize];
    int prefix = wsprintfA(buffer, "%02d:%02d:%02d %s[%s-%s:%d] ", now.wHour, now.wMinute, now.wSecond,
                           letter, g_module.load(), BaseName(file), line);
    wvsprintfA(buffer + prefix, fmt, args, count);
    WriteTraceLine(level, buffer);
    SetLastError(lastError);
}

void TraceRawV(const char* /*file*/, int /*line*/, int level, const char* fmt, const FormatArg* args,
               size_t count) {
    DWORD lastError = GetLastError();
    if (!TraceEnabled(level))
        return;
    char buffer[kTraceBufferSize];
    wvsprintfA(buffer, fmt, args, count);
    WriteTraceLine(level, buffer);
    SetLastError(lastError);
}

void WriteTraceLine(int /*level*/, const char* text) {
    if (!text)
        return;
    OutputDebugStringA(text);
    int fd = g_logFd.load();
    if (fd >= 0)
        WriteAll(fd, text, std::strlen(text));  // unbuffered: the file is complete after each piece
}

void TraceGUID(const GUID* guid) {
    if (!TraceEnabled(TRACE_DATA))
        return;
    if (!guid) {
        TraceRaw(__FILE__, __LINE__, TRACE_DATA, "NULL\n");
        return;
    }
    TraceRaw(__FILE__, __LINE__, TRACE_DATA, "%08lx-%04lx-%04lx-", guid->Data1, guid->Data2, guid->Data3);
    for (BYTE b : guid->Data4)
        TraceRaw(__FILE__, __LINE__, TRACE_DATA, "%02x", b);
    TraceRaw(__FILE__, __LINE__, TRACE_DATA, "\n");
}

namespace qrvtrace {

void EnterFunction(const char* file, int line, const char* name) {
    Trace(file, line, TRACE_CALL, "");
    TraceRaw(file, line, TRACE_CALL, "-->%s()\n", name);
}

void EnterObject(const char* file, int line, const char* cls, const void* object, bool dtor) {
    Trace(file, line, TRACE_CALL, "");
    TraceRaw(file, line, TRACE_CALL, dtor ? "-->%s::~%s(%08lx)\n" : "-->%s::%s(%08lx)\n", cls, cls, object);
}

void LeaveVoid(const char* name, bool tid) {
    if (tid)
        TraceRaw(__FILE__, __LINE__, TRACE_CALL, "[0x%lx] <--%s()\n", GetCurrentThreadId(), name);
    else
        TraceRaw(__FILE__, __LINE__, TRACE_CALL, "<--%s()\n", name);
}

void LeaveResult(const char* name, const FormatArg& value, bool tid) {
    if (tid)
        TraceRaw(__FILE__, __LINE__, TRACE_CALL, "[0x%lx] <--%s(), ret = %lx\n", GetCurrentThreadId(), name,
                 value);
    else
        TraceRaw(__FILE__, __LINE__, TRACE_CALL, "<--%s(), ret = %lx\n", name, value);
}

void LeaveBool(const char* name, bool value, bool /*tid*/) {
    TraceRaw(__FILE__, __LINE__, TRACE_CALL, value ? "<--%s(), ret = TRUE\n" : "<--%s(), ret = FALSE\n",
             name);
}

void LeaveObject(const char* cls, bool dtor, bool tid) {
    if (tid)
        TraceRaw(__FILE__, __LINE__, TRACE_CALL, dtor ? "[0x%lx] <--%s::~%s()\n" : "[0x%lx] <--%s::%s()\n",
                 GetCurrentThreadId(), cls, cls);
    else
        TraceRaw(__FILE__, __LINE__, TRACE_CALL, dtor ? "<--%s::~%s()\n" : "<--%s::%s()\n", cls, cls);
}

}  // namespace qrvtrace

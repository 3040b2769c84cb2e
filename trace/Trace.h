// The trace facility: levelled, prefixed diagnostic pieces to the debugger output and a log file.
//
// Use the macros, not the functions: QTRACE tests the level before its arguments are evaluated, so
// a disabled piece costs one comparison.
//
//   QTRACE(TRACE_ERROR, "OpenStore() failed: hr = 0x%08lx\n", hr);   // "12:00:01 E[QRV-File.cpp:7] ..."
//   QTRACE_RAW(TRACE_DATA, "id=%lx\n", id);                          // the message alone
//   TRACE_FUNC_VOID("Name");                 // "-->Name()"  ...  "<--Name()"
//   TRACE_FUNC_RESULT("Name", hr);           // exit: "<--Name(), ret = 80004005" (hr's value then)
//   TRACE_FUNC_BOOL("Name", bResult);        // exit: "<--Name(), ret = TRUE" / "... = FALSE"
//   TRACE_CTOR("CClass"); TRACE_DTOR("CClass");   // "-->CClass::CClass(<this>)" / "-->CClass::~CClass(...)"
//   TRACE_FUNC_VOID_TID, TRACE_FUNC_RESULT_TID, TRACE_CTOR_TID, TRACE_DTOR_TID: exit lines start
//   with "[0x<thread id>] " (the language-dictionary classes).
// TRACE_FUNC_RESULT also takes a pointer variable (a function returning a pointer); it is printed in
// full width.
#pragma once

#include <atomic>
#include <cstddef>
#include <type_traits>

#include "platform/win32/Format.h"
#include "platform/win32/WinTypes.h"

#define TRACE_ERROR 0
#define TRACE_WARNING 1
#define TRACE_DATA 2
#define TRACE_CALL 3
#define TRACE_INFO 4

struct MAPINAMEID;

namespace qrvtrace {
extern std::atomic<LONG> g_traceLevel;
}

// True when a piece of this level is written (level <= current level, signed).
inline bool TraceEnabled(int level) {
    return level <= qrvtrace::g_traceLevel.load(std::memory_order_relaxed);
}

// Start-up: module name := section, level := "DebugLevel" (default 0), log file := "DebugFile".
void InitTrace(const char* section, const char* iniFile);
// Opens (or, with no free name, silently does not open) the log file; a file already open is closed.
void OpenTraceFile(const char* path);
// Closes the log file, if any. The program never calls it (the file lives as long as the process);
// tests and orderly shutdown do.
void CloseTraceFile();
// Sets the current level and returns the previous one.
LONG SetTraceLevel(LONG level);
LONG GetTraceLevel();
// Keeps the pointer (not a copy) as the module name of every later prefix.
void SetTraceModule(const char* name);

// Counted-argument forms behind Trace and TraceRaw.
void TraceV(const char* file, int line, int level, const char* fmt, const FormatArg* args, size_t count);
void TraceRawV(const char* file, int line, int level, const char* fmt, const FormatArg* args, size_t count);

// A prefixed piece: "hh:mm:ss L[module-file:line] " and the message.
template <class... A>
void Trace(const char* file, int line, int level, const char* fmt, const A&... a) {
    if constexpr (sizeof...(A) == 0) {
        TraceV(file, line, level, fmt, nullptr, 0);
    } else {
        const FormatArg args[] = {FormatArg(a)...};
        TraceV(file, line, level, fmt, args, sizeof...(A));
    }
}

// The message alone, without prefix; file and line are not used.
template <class... A>
void TraceRaw(const char* file, int line, int level, const char* fmt, const A&... a) {
    if constexpr (sizeof...(A) == 0) {
        TraceRawV(file, line, level, fmt, nullptr, 0);
    } else {
        const FormatArg args[] = {FormatArg(a)...};
        TraceRawV(file, line, level, fmt, args, sizeof...(A));
    }
}

// The output step: the debugger output, then the log file (flushed). The level is not used.
void WriteTraceLine(int level, const char* text);

// Data dumps at level 2.
void TraceGUID(const GUID* guid);
void TraceNamedPropID(const MAPINAMEID* nameId);

#define QTRACE(level, ...)                                            \
    do {                                                              \
        const int qrvTraceLevel_ = (level);                           \
        if (TraceEnabled(qrvTraceLevel_))                             \
            ::Trace(__FILE__, __LINE__, qrvTraceLevel_, __VA_ARGS__); \
    } while (0)

#define QTRACE_RAW(level, ...)                                           \
    do {                                                                 \
        const int qrvTraceLevel_ = (level);                              \
        if (TraceEnabled(qrvTraceLevel_))                                \
            ::TraceRaw(__FILE__, __LINE__, qrvTraceLevel_, __VA_ARGS__); \
    } while (0)

// ---------------------------------------------------------------------------------------------
// Scope tracers: entry line when made, exit line when destroyed (also during unwinding).

namespace qrvtrace {
void EnterFunction(const char* file, int line, const char* name);
void EnterObject(const char* file, int line, const char* cls, const void* object, bool dtor);
void LeaveVoid(const char* name, bool tid);
void LeaveResult(const char* name, const FormatArg& value, bool tid);
void LeaveBool(const char* name, bool value, bool tid);
void LeaveObject(const char* cls, bool dtor, bool tid);
}  // namespace qrvtrace

class TraceScopeVoid {
public:
    TraceScopeVoid(const char* file, int line, const char* name, bool tid = false)
        : m_name(name), m_tid(tid) {
        if (TraceEnabled(TRACE_CALL))
            qrvtrace::EnterFunction(file, line, name);
    }
    ~TraceScopeVoid() {
        if (TraceEnabled(TRACE_CALL))
            qrvtrace::LeaveVoid(m_name, m_tid);
    }
    TraceScopeVoid(const TraceScopeVoid&) = delete;
    TraceScopeVoid& operator=(const TraceScopeVoid&) = delete;

private:
    const char* m_name;
    bool m_tid;
};

class TraceScopeResult {
public:
    // result: the function's result variable (an integer, an enum or a pointer), read at scope end.
    template <class T>
    requires(std::is_integral_v<T> || std::is_enum_v<T> || std::is_pointer_v<T>)
        TraceScopeResult(const char* file, int line, const char* name, const T* result, bool tid = false)
        : m_name(name), m_result(result), m_read(&Read<T>), m_tid(tid) {
        if (TraceEnabled(TRACE_CALL))
            qrvtrace::EnterFunction(file, line, name);
    }
    ~TraceScopeResult() {
        if (TraceEnabled(TRACE_CALL))
            qrvtrace::LeaveResult(m_name, m_read(m_result), m_tid);
    }
    TraceScopeResult(const TraceScopeResult&) = delete;
    TraceScopeResult& operator=(const TraceScopeResult&) = delete;

private:
    template <class T>
    static FormatArg Read(const void* p) {
        return FormatArg(*static_cast<const T*>(p));
    }
    const char* m_name;
    const void* m_result;
    FormatArg (*m_read)(const void*);
    bool m_tid;
};

class TraceScopeBool {
public:
    template <class T>
    requires(std::is_integral_v<T>)
        TraceScopeBool(const char* file, int line, const char* name, const T* result)
        : m_name(name), m_result(result), m_read(&Read<T>) {
        if (TraceEnabled(TRACE_CALL))
            qrvtrace::EnterFunction(file, line, name);
    }
    ~TraceScopeBool() {
        if (TraceEnabled(TRACE_CALL))
            qrvtrace::LeaveBool(m_name, m_read(m_result), false);
    }
    TraceScopeBool(const TraceScopeBool&) = delete;
    TraceScopeBool& operator=(const TraceScopeBool&) = delete;

private:
    template <class T>
    static bool Read(const void* p) {
        return *static_cast<const T*>(p) != 0;
    }
    const char* m_name;
    const void* m_result;
    bool (*m_read)(const void*);
};

class TraceScopeCtor {
public:
    TraceScopeCtor(const char* file, int line, const char* cls, const void* object, bool tid = false)
        : m_class(cls), m_tid(tid) {
        if (TraceEnabled(TRACE_CALL))
            qrvtrace::EnterObject(file, line, cls, object, false);
    }
    ~TraceScopeCtor() {
        if (TraceEnabled(TRACE_CALL))
            qrvtrace::LeaveObject(m_class, false, m_tid);
    }
    TraceScopeCtor(const TraceScopeCtor&) = delete;
    TraceScopeCtor& operator=(const TraceScopeCtor&) = delete;

private:
    const char* m_class;
    bool m_tid;
};

class TraceScopeDtor {
public:
    TraceScopeDtor(const char* file, int line, const char* cls, const void* object, bool tid = false)
        : m_class(cls), m_tid(tid) {
        if (TraceEnabled(TRACE_CALL))
            qrvtrace::EnterObject(file, line, cls, object, true);
    }
    ~TraceScopeDtor() {
        if (TraceEnabled(TRACE_CALL))
            qrvtrace::LeaveObject(m_class, true, m_tid);
    }
    TraceScopeDtor(const TraceScopeDtor&) = delete;
    TraceScopeDtor& operator=(const TraceScopeDtor&) = delete;

private:
    const char* m_class;
    bool m_tid;
};

#define QRV_TRACE_CONCAT2(a, b) a##b
#define QRV_TRACE_CONCAT(a, b) QRV_TRACE_CONCAT2(a, b)
#define QRV_TRACE_SCOPE_VAR QRV_TRACE_CONCAT(qrvTraceScope_, __LINE__)

#define TRACE_FUNC_VOID(name) ::TraceScopeVoid QRV_TRACE_SCOPE_VAR(__FILE__, __LINE__, name)
#define TRACE_FUNC_RESULT(name, result) \
    ::TraceScopeResult QRV_TRACE_SCOPE_VAR(__FILE__, __LINE__, name, &(result))
#define TRACE_FUNC_BOOL(name, result) \
    ::TraceScopeBool QRV_TRACE_SCOPE_VAR(__FILE__, __LINE__, name, &(result))
#define TRACE_CTOR(cls) ::TraceScopeCtor QRV_TRACE_SCOPE_VAR(__FILE__, __LINE__, cls, this)
#define TRACE_DTOR(cls) ::TraceScopeDtor QRV_TRACE_SCOPE_VAR(__FILE__, __LINE__, cls, this)

#define TRACE_FUNC_VOID_TID(name) ::TraceScopeVoid QRV_TRACE_SCOPE_VAR(__FILE__, __LINE__, name, true)
#define TRACE_FUNC_RESULT_TID(name, result) \
    ::TraceScopeResult QRV_TRACE_SCOPE_VAR(__FILE__, __LINE__, name, &(result), true)
#define TRACE_CTOR_TID(cls) ::TraceScopeCtor QRV_TRACE_SCOPE_VAR(__FILE__, __LINE__, cls, this, true)
#define TRACE_DTOR_TID(cls) ::TraceScopeDtor QRV_TRACE_SCOPE_VAR(__FILE__, __LINE__, cls, this, true)

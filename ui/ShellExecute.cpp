// The shell's "open" verb on this desktop: the opener started with an argument vector.
#include "ui/ShellExecute.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <thread>

#include "trace/Trace.h"

extern char** environ;

namespace {
ShellExecuteHook& Hook() {
    static ShellExecuteHook hook;
    return hook;
}
}  // namespace

void SetShellExecuteHook(ShellExecuteHook hook) {
    Hook() = std::move(hook);
}

INT_PTR ShellExecuteA(CWnd*, LPCSTR lpszVerb, LPCSTR lpszFile, LPCSTR, LPCSTR, int nShowCmd) {
    if (lpszFile == nullptr || *lpszFile == '\0')
        return 2;
    if (Hook())
        return Hook()(lpszVerb, lpszFile, nShowCmd);
    if (lpszVerb != nullptr && std::strcmp(lpszVerb, "open") != 0)
        return 2;
    // The address is one argument of its own: nothing in it is ever read by a shell.
    char szOpener[] = "xdg-open";
    char* argv[] = {szOpener, const_cast<char*>(lpszFile), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0) {
        QTRACE(TRACE_ERROR, "Failed to start the desktop's opener for \"%s\"!\n", lpszFile);
        return 2;
    }
    // The opener may take its time (a browser it starts may even stay in the foreground): the
    // window must not wait for it, yet it is collected when it ends, so no zombie stays behind.
    try {
        std::thread([pid] {
            int status = 0;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        QTRACE(TRACE_ERROR, "Failed to start a thread to wait for the desktop's opener!\n");
        int status = 0;
        waitpid(pid, &status, 0);
    }
    return 42;
}

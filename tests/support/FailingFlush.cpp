// Flushes to disk that fail on purpose.
#include "tests/support/FailingFlush.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>

#include "platform/win32/AtomicFile.h"

namespace qrvtest {

namespace {

std::mutex g_lock;
mode_t g_kind = 0;
int g_nError = 0;
std::string g_strAfter;
bool g_bAfterMatched = false;

std::string PathOf(int fd) {
    char link[64];
    char path[PATH_MAX];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t cch = ::readlink(link, path, sizeof path - 1);
    return cch > 0 ? std::string(path, (size_t)cch) : std::string();
}

int Flush(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return -1;
    std::lock_guard<std::mutex> lock(g_lock);
    const mode_t kind = st.st_mode & S_IFMT;
    bool bFail = kind == g_kind;
    if (!g_strAfter.empty()) {
        bFail = bFail && g_bAfterMatched;
        g_bAfterMatched = kind == S_IFREG && PathOf(fd).find(g_strAfter) != std::string::npos;
    }
    if (bFail) {
        errno = g_nError;
        return -1;
    }
    return ::fsync(fd);
}

}  // namespace

FailingFlush::FailingFlush(mode_t kind, int nError, std::string strAfter) {
    {
        std::lock_guard<std::mutex> lock(g_lock);
        g_kind = kind;
        g_nError = nError;
        g_strAfter = std::move(strAfter);
        g_bAfterMatched = false;
    }
    qrvfile::SetFlushHook(Flush);
}

FailingFlush::~FailingFlush() {
    qrvfile::SetFlushHook(nullptr);
}

}  // namespace qrvtest

// Whole-file replacement through a temporary file, fsync and rename.
#include "platform/win32/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/win32/MachineRoot.h"
#include "platform/win32/RegularFile.h"

namespace qrvfile {

namespace {

int FlushToDisk(int fd) {
    return ::fsync(fd);
}

std::atomic<PFN_FLUSH> g_pfnFlush{FlushToDisk};

// The folder's entry for the renamed file reaches the disk. A folder whose file system cannot flush
// folders at all (fsync gives EINVAL there) has nothing more to wait for, and neither has one this
// user may write but not read (mode 0333): it cannot be opened to be flushed, by this program or
// any other, so the file's own flush is all a save can do there.
bool FlushDirectory(const std::string& dir) {
    const int fdDir = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fdDir < 0)
        return errno == EACCES || errno == EPERM;
    const bool bFlushed = g_pfnFlush.load()(fdDir) == 0 || errno == EINVAL;
    const int nError = errno;
    ::close(fdDir);
    errno = nError;
    return bFlushed;
}

// The process's umask, read without setting it: a umask set for a moment would give a file that
// another thread makes meanwhile the widest permissions.
mode_t CurrentUmask() {
    if (FILE* pStatus = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned int mask = 0;
        bool bFound = false;
        while (!bFound && std::fgets(line, sizeof line, pStatus) != nullptr)
            bFound = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(pStatus);
        if (bFound)
            return (mode_t)mask;
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// A temporary file of an earlier replacement of this very file that never got renamed:
// ".NAME.XXXXXX", six letters or digits, as mkstemp makes them.
bool IsLeftoverOf(const std::string& entry, const std::string& base) {
    const size_t cchSuffix = 6;
    if (entry.size() != base.size() + 2 + cchSuffix || entry[0] != '.' ||
        entry.compare(1, base.size(), base) != 0 || entry[base.size() + 1] != '.')
        return false;
    for (size_t i = entry.size() - cchSuffix; i < entry.size(); ++i)
        if (!std::isalnum((unsigned char)entry[i]))
            return false;
    return true;
}

void RemoveLeftovers(const std::string& dir, const std::string& base,
                     void (*pfnRemoved)(const std::string&)) {
    DIR* pDir = ::opendir(dir.c_str());
    if (pDir == nullptr)
        return;
    while (const dirent* pEntry = ::readdir(pDir)) {
        if (!IsLeftoverOf(pEntry->d_name, base))
            continue;
        const std::string leftover = dir + "/" + pEntry->d_name;
        struct stat st;
        if (::lstat(leftover.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
            ::unlink(leftover.c_str()) == 0 && pfnRemoved != nullptr)
            pfnRemoved(leftover);
    }
    ::closedir(pDir);
}

bool WriteAll(int fd, const char* p, size_t left) {
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        p += n;
        left -= (size_t)n;
    }
    return true;
}

}  // namespace

bool FollowLinks(const std::string& path, std::string& target) {
    target = path;
    // As many links as the system follows in one path before it gives up with ELOOP.
    for (int nHops = 0; nHops < 40; ++nHops) {
        struct stat st;
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return true;
        std::string link(PATH_MAX, '\0');
        const ssize_t cch = ::readlink(target.c_str(), link.data(), link.size());
        if (cch < 0)
            return false;
        if (cch == 0 || (size_t)cch >= link.size()) {
            errno = ENAMETOOLONG;
            return false;
        }
        link.resize((size_t)cch);
        if (link[0] == '/') {
            target = link;
        } else {
            const size_t slash = target.rfind('/');
            target = slash == std::string::npos ? link : target.substr(0, slash + 1) + link;
        }
    }
    errno = ELOOP;
    return false;
}

PFN_FLUSH SetFlushHook(PFN_FLUSH pfnFlush) {
    return g_pfnFlush.exchange(pfnFlush != nullptr ? pfnFlush : FlushToDisk);
}

CAtomicReplacement::~CAtomicReplacement() {
    Abandon();
}

void CAtomicReplacement::Abandon() {
    if (m_fd < 0)
        return;
    const int nError = errno;
    ::close(m_fd);
    ::unlink(m_temp.c_str());
    m_fd = -1;
    errno = nError;
}

bool CAtomicReplacement::Begin(const std::string& path, const ReplaceOptions& options) {
    Abandon();
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    std::string target = path;
    if (options.bWriteThroughLink && !FollowLinks(path, target))
        return false;
    const size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    if (options.bMakeDirectory && slash != std::string::npos && slash != 0 && !EnsureDirectory(dir))
        return false;

    // What the target is now: the permission bits it keeps and whether it may be replaced at all.
    // With links replaced, the link is looked at, not where it leads.
    struct stat stTarget;
    const bool bExists = (options.bWriteThroughLink ? ::stat(target.c_str(), &stTarget)
                                                    : ::lstat(target.c_str(), &stTarget)) == 0;
    if (bExists && options.bRefuseReadOnly && S_ISREG(stTarget.st_mode) &&
        (::access(target.c_str(), W_OK) != 0 || (stTarget.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)) {
        errno = EACCES;
        return false;
    }
    mode_t mode = (mode_t)(options.nMode & 07777);
    if (options.bUmask)
        mode &= ~CurrentUmask();
    if (options.bKeepMode && bExists && S_ISREG(stTarget.st_mode))
        mode = stTarget.st_mode & 07777;

    if (options.bRemoveLeftovers)
        RemoveLeftovers(dir, base, options.pfnLeftoverRemoved);
    // mkstemp makes the file with O_EXCL under a random name: nothing at that name is followed.
    std::string temp = dir + "/." + base + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    m_fd = fd;
    m_temp = std::move(temp);
    m_target = std::move(target);
    m_dir = dir;
    m_mode = mode;
    return true;
}

bool CAtomicReplacement::Write(const void* pData, size_t cb) {
    if (m_fd < 0) {
        errno = EBADF;
        return false;
    }
    if (WriteAll(m_fd, static_cast<const char*>(pData), cb))
        return true;
    Abandon();
    return false;
}

bool CAtomicReplacement::Commit() {
    if (m_fd < 0) {
        errno = EBADF;
        return false;
    }
    const int fd = m_fd;
    m_fd = -1;
    bool bOK = ::fchmod(fd, (mode_t)m_mode) == 0 && g_pfnFlush.load()(fd) == 0;
    int nError = errno;
    if (::close(fd) != 0 && bOK) {
        bOK = false;
        nError = errno;
    }
    if (bOK && ::rename(m_temp.c_str(), m_target.c_str()) != 0) {
        bOK = false;
        nError = errno;
    }
    if (!bOK) {
        ::unlink(m_temp.c_str());
        errno = nError;
        return false;
    }
    // Renamed but not yet on disk: a crash now could still bring the old file back, so the save
    // is not done. The new content stays in place; saving again flushes it.
    return FlushDirectory(m_dir);
}

bool ReplaceFileAtomically(const std::string& path, const void* pData, size_t cb,
                           const ReplaceOptions& options) {
    CAtomicReplacement replacement;
    return replacement.Begin(path, options) && replacement.Write(pData, cb) && replacement.Commit();
}

bool WriteFileAtomically(const std::string& path, const std::string& content) {
    ReplaceOptions options;
    options.nMode = 0644;
    options.bMakeDirectory = true;
    return ReplaceFileAtomically(path, content.data(), content.size(), options);
}

bool ReadWholeFile(const std::string& path, std::string& content) {
    // A FIFO or a device in place of the file would hang or never end the read.
    int fd = OpenRegularFile(path.c_str(), O_RDONLY);
    if (fd < 0)
        return false;
    content.clear();
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        content.append(buf, (size_t)n);
    }
    ::close(fd);
    return true;
}

}  // namespace qrvfile

// Reading and replacing the JSON documents the store tool is given.
#include "tools/store/ToolFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/win32/AtomicFile.h"
#include "tools/store/ToolText.h"

namespace qrvstore {

namespace {

[[noreturn]] void Fail(const char* verb, const std::string& path, const std::string& reason) {
    throw CToolError(std::string("cannot ") + verb + " " + path + ": " + reason);
}

// The file a write replaces: where a symbolic link leads, so that the link stays a link.
std::string ReplacedFile(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        return path;
    }
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) {
        Fail("write", path, std::string("it is a link that leads nowhere (") + std::strerror(errno) + ")");
    }
    std::string target = resolved;
    std::free(resolved);
    return target;
}

bool WriteAll(int fd, const std::string& content) {
    const char* p = content.data();
    size_t left = content.size();
    while (left > 0) {
        ssize_t n = write(fd, p, left);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

std::string ReadDocumentFile(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        Fail("read", path, std::strerror(errno));
    }
    if (!S_ISREG(st.st_mode)) {
        Fail("read", path, S_ISDIR(st.st_mode) ? "it is a directory" : "it is not a regular file");
    }
    std::string content;
    if (!qrvfile::ReadWholeFile(path, content)) {
        Fail("read", path, std::strerror(errno));
    }
    return content;
}

void ReplaceDocumentFile(const std::string& path, const std::string& content) {
    const std::string target = ReplacedFile(path);
    const size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    struct stat st;
    mode_t mode = 0;
    if (stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            Fail("write", path, S_ISDIR(st.st_mode) ? "it is a directory" : "it is not a regular file");
        }
        // The rename would replace even a file its owner made read-only.
        if (access(target.c_str(), W_OK) != 0) {
            Fail("write", path, std::strerror(errno));
        }
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    // mkstemp makes a new file of this user alone: no planted name or link is ever followed.
    std::string temp = dir + "/." + base + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0) {
        Fail("write", path, std::strerror(errno));
    }
    bool ok = WriteAll(fd, content) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
    int error = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        unlink(temp.c_str());
        Fail("write", path, std::strerror(error));
    }
    int dirFd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
}

}  // namespace qrvstore

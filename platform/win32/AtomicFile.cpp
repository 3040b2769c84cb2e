// Whole-file replacement through a temporary file, fsync and rename.
#include "platform/win32/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/win32/MachineRoot.h"
#include "platform/win32/RegularFile.h"

namespace qrvfile {

bool WriteFileAtomically(const std::string& path, const std::string& content) {
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : path.substr(0, slash);
    if (slash != std::string::npos && !dir.empty() && !EnsureDirectory(dir))
        return false;
    std::string tmpl = path + ".tmp-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back(0);
    int fd = ::mkstemp(name.data());
    if (fd < 0)
        return false;
    const char* p = content.data();
    size_t left = content.size();
    bool ok = true;
    while (ok && left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        p += n;
        left -= (size_t)n;
    }
    ok = ok && ::fchmod(fd, 0644) == 0 && ::fsync(fd) == 0;
    int saved = errno;
    ::close(fd);
    if (!ok || ::rename(name.data(), path.c_str()) != 0) {
        saved = errno;
        ::unlink(name.data());
        errno = saved;
        return false;
    }
    // Make the rename itself durable.
    int dfd = ::open(dir.empty() ? "/" : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
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

// Opening regular files only, without ever blocking on a FIFO.
#include "platform/win32/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace qrvfile {

int NotRegularError(mode_t fileMode) {
    if (S_ISREG(fileMode))
        return 0;
    return S_ISDIR(fileMode) ? EISDIR : EINVAL;
}

int OpenRegularFile(const char* path, int flags, mode_t mode) {
    if (path == nullptr || *path == '\0') {
        errno = ENOENT;
        return -1;
    }
    // O_NONBLOCK keeps open() of a FIFO from waiting for its other end; O_NOCTTY keeps a terminal
    // from becoming ours. The check is made on what was opened, so nothing can be swapped in
    // between a look at the name and the open.
    int fd;
    do {
        fd = ::open(path, flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    struct stat st;
    int err = ::fstat(fd, &st) != 0 ? errno : NotRegularError(st.st_mode);
    if (err == 0 && !(flags & O_NONBLOCK)) {
        int fl = ::fcntl(fd, F_GETFL);
        if (fl == -1 || ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) == -1)
            err = errno;
    }
    if (err != 0) {
        ::close(fd);
        errno = err;
        return -1;
    }
    return fd;
}

}  // namespace qrvfile

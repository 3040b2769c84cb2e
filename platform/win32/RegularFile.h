// Opening files that must be plain files on disk.
//
// A FIFO, a device or a socket in place of a file must never hang the program in open() or read()
// (a FIFO without a writer blocks both, /dev/zero never ends) nor pass for an empty file (an empty
// FIFO): such a name is refused at once, as a directory is.
#pragma once

#include <sys/types.h>

namespace qrvfile {

// open(path, flags, mode) that succeeds only for a regular file (following links). The open never
// waits for the other end of a FIFO, and the descriptor returned blocks as usual. -1 on failure,
// with errno set: EISDIR for a directory, EINVAL for any other file that is not a regular one.
int OpenRegularFile(const char* path, int flags, mode_t mode = 0);

// The errno for a descriptor that is open on something other than a regular file (see above), 0
// for a regular file.
int NotRegularError(mode_t fileMode);

}  // namespace qrvfile

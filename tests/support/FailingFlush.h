// Flushes to disk that fail on purpose, for the replacement of files and everything saved through it.
#pragma once

#include <sys/types.h>

#include <string>

namespace qrvtest {

// While alive, every flush of a file (S_IFREG) or of a folder (S_IFDIR), as kind says, fails with
// nError. With strAfter given, only the flush of a folder that directly follows the flush of a file
// whose path holds strAfter fails: the folder flush of one particular save.
class FailingFlush {
public:
    FailingFlush(mode_t kind, int nError, std::string strAfter = "");
    ~FailingFlush();
    FailingFlush(const FailingFlush&) = delete;
    FailingFlush& operator=(const FailingFlush&) = delete;
};

}  // namespace qrvtest

// The states of database files that passed the whole-file check in this process.
#include "platform/mapi/CheckedFiles.h"

#include <sys/stat.h>

#include <map>
#include <mutex>

namespace qrvmapi {

namespace {

std::mutex& Lock() {
    static std::mutex lock;
    return lock;
}

std::map<std::string, CFileState>& Checked() {
    static std::map<std::string, CFileState> checked;
    return checked;
}

long long Nanoseconds(const struct timespec& time) {
    return static_cast<long long>(time.tv_sec) * 1000000000LL + time.tv_nsec;
}

}  // namespace

bool ReadFileState(const std::string& path, CFileState& state) {
    struct stat file {};
    if (stat(path.c_str(), &file) != 0) {
        return false;
    }
    state = CFileState();
    state.m_device = file.st_dev;
    state.m_inode = file.st_ino;
    state.m_size = file.st_size;
    state.m_changed = Nanoseconds(file.st_mtim);
    struct stat log {};
    if (stat((path + "-wal").c_str(), &log) == 0) {
        state.m_logSize = log.st_size;
        state.m_logChanged = Nanoseconds(log.st_mtim);
    }
    return true;
}

bool WasChecked(const std::string& path, const CFileState& state) {
    std::lock_guard<std::mutex> guard(Lock());
    auto found = Checked().find(path);
    return found != Checked().end() && found->second == state;
}

void MarkChecked(const std::string& path, const CFileState& state) {
    std::lock_guard<std::mutex> guard(Lock());
    Checked()[path] = state;
}

}  // namespace qrvmapi

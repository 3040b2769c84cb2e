// Which states of which database files this process has found sound, so that a file is checked
// whole once per state and not before every write.
#pragma once

#include <string>

namespace qrvmapi {

// One state of a database file: the file and its write-ahead log, by identity, size and time of
// the last change. Any write to either, by SQLite or by anything else, gives another state.
struct CFileState {
    unsigned long long m_device = 0;
    unsigned long long m_inode = 0;
    long long m_size = -1;
    long long m_changed = 0;   // nanoseconds
    long long m_logSize = -1;  // -1: no log
    long long m_logChanged = 0;

    bool operator==(const CFileState& other) const = default;
};

// The state of 'path' now; false when the file cannot be looked at.
bool ReadFileState(const std::string& path, CFileState& state);

// Whether 'state' of 'path' passed the check, and remembering that it did (one state per file:
// a newer one replaces it).
bool WasChecked(const std::string& path, const CFileState& state);
void MarkChecked(const std::string& path, const CFileState& state);

}  // namespace qrvmapi

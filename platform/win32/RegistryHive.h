// One registry hive: a tree of keys with typed values, kept in a text file under the machine root.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/win32/Registry.h"
#include "platform/win32/WinTypes.h"

namespace qrvreg {

struct Value {
    std::string name;  // as written ("" is the key's default value)
    DWORD type = 0;
    std::vector<BYTE> data;  // texts without their NUL
};

struct Key {
    std::string name;                     // as written
    std::map<std::string, Key> subKeys;   // by lower-case name
    std::map<std::string, Value> values;  // by lower-case name
};

// ASCII lower case: the registry's names compare without case.
std::string Fold(const std::string& name);

// Keys nest at most this deep, as on Windows: a deeper path is refused, and a hive file that holds
// one is damaged. The bound keeps every walk over the tree, and its destruction, within the stack.
constexpr size_t kMaxKeyDepth = 512;

// Splits a key path at '\' and '/', dropping empty segments. false when a segment holds a control
// character or there are more than kMaxKeyDepth segments.
bool SplitPath(const char* path, std::vector<std::string>& segments);

// The text form of a hive and back. Parse returns false (and leaves root empty) on a damaged text.
std::string Serialize(const Key& root, const char* hiveName);
bool Parse(const std::string& text, Key& root);

// The hive files: "<root>/registry/<name>.reg".
class Hive {
public:
    explicit Hive(const char* name) : m_name(name) {}
    const char* Name() const { return m_name; }

    // Brings the tree up to date with the file; ERROR_SUCCESS, or ERROR_BADDB for a damaged file.
    // A missing file is an empty hive. Call with the registry lock held.
    LONG Refresh();
    const Key& Root() const { return m_root; }

    // Runs change on a fresh copy of the tree under the cross-process lock, then writes the file.
    // change returns a Win32 code; on anything but ERROR_SUCCESS nothing is written.
    template <class F>
    LONG Modify(F change) {
        LONG rc = BeginModify();
        if (rc != ERROR_SUCCESS)
            return rc;
        rc = change(m_root);
        return EndModify(rc);
    }

private:
    std::string Path() const;
    LONG BeginModify();
    LONG EndModify(LONG rc);

    const char* m_name;
    Key m_root;
    bool m_loaded = false;
    bool m_damaged = false;
    struct timespec m_mtime {};
    long long m_size = -1;
    unsigned long long m_inode = 0;
    std::string m_rootPath;  // the machine root the tree was read from
    int m_lockFd = -1;
};

}  // namespace qrvreg

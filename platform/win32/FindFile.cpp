// Directory search: a sorted snapshot of the names matching a mask.
#include "platform/win32/FindFile.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/KernelObject.h"

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
}

// '*' and '?' wildcards, ASCII case-insensitive; iterative with one backtrack point, so no mask
// can make it take exponential time.
bool Match(const char* mask, const char* name) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name) {
        if (*mask == '*') {
            star = mask++;
            resume = name;
        } else if (*mask == '?' || (*mask && Lower(*mask) == Lower(*name))) {
            ++mask;
            ++name;
        } else if (star) {
            mask = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*mask == '*')
        ++mask;
    return *mask == 0;
}

struct Entry {
    std::string name;
    std::string key;  // lower-case name: the sort order
    struct stat st;
};

class FindObject : public qrvkernel::KernelObject {
public:
    DWORD Wait(DWORD) override { return WAIT_FAILED; }
    std::vector<Entry> entries;
    size_t next = 0;
};

void FileTimeFrom(const struct timespec& ts, FILETIME& ft) {
    uint64_t v = (uint64_t)ts.tv_sec * 10000000ull + (uint64_t)ts.tv_nsec / 100 + 116444736000000000ull;
    ft.dwLowDateTime = (DWORD)v;
    ft.dwHighDateTime = (DWORD)(v >> 32);
}

void Fill(const Entry& e, LPWIN32_FIND_DATAA data) {
    std::memset(data, 0, sizeof *data);
    data->dwFileAttributes = S_ISDIR(e.st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    if (!(e.st.st_mode & S_IWUSR))
        data->dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
    if (!e.name.empty() && e.name[0] == '.' && e.name != "." && e.name != "..")
        data->dwFileAttributes |= FILE_ATTRIBUTE_HIDDEN;
    FileTimeFrom(e.st.st_mtim, data->ftLastWriteTime);
    FileTimeFrom(e.st.st_atim, data->ftLastAccessTime);
    FileTimeFrom(e.st.st_ctim, data->ftCreationTime);
    uint64_t size = S_ISDIR(e.st.st_mode) ? 0 : (uint64_t)e.st.st_size;
    data->nFileSizeHigh = (DWORD)(size >> 32);
    data->nFileSizeLow = (DWORD)size;
    std::memcpy(data->cFileName, e.name.c_str(), e.name.size() + 1);
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
    if (!pattern || !*pattern || !data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string p = pattern;
    for (char& c : p)
        if (c == '\\')
            c = '/';
    size_t slash = p.rfind('/');
    std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : p.substr(0, slash));
    std::string mask = slash == std::string::npos ? p : p.substr(slash + 1);
    if (mask.empty() || mask == "*.*")
        mask = "*";  // the platform's "*.*" matches names without a dot too
    DIR* d = ::opendir(dir.c_str());
    if (!d) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto object = std::make_shared<FindObject>();
    while (dirent* e = ::readdir(d)) {
        size_t len = std::strlen(e->d_name);
        if (len >= MAX_PATH || !Match(mask.c_str(), e->d_name))
            continue;
        Entry entry;
        entry.name = e->d_name;
        entry.key = entry.name;
        for (char& c : entry.key)
            c = Lower(c);
        std::string full = dir + "/" + entry.name;
        if (::stat(full.c_str(), &entry.st) != 0)
            continue;  // vanished meanwhile, or a dangling link
        object->entries.push_back(std::move(entry));
    }
    ::closedir(d);
    if (object->entries.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::sort(object->entries.begin(), object->entries.end(), [](const Entry& a, const Entry& b) {
        return a.key != b.key ? a.key < b.key : a.name < b.name;
    });
    Fill(object->entries[0], data);
    object->next = 1;
    SetLastError(ERROR_SUCCESS);
    return qrvkernel::NewHandle(object);
}

BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data) {
    auto object = qrvkernel::ResolveAs<FindObject>(find);
    if (!object || !data) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (object->next >= object->entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    Fill(object->entries[object->next++], data);
    return TRUE;
}

BOOL FindClose(HANDLE find) {
    if (!qrvkernel::ResolveAs<FindObject>(find)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return CloseHandle(find);
}

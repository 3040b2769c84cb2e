// INI file parsing, path resolution and a change-aware cache of parsed files.
#include "platform/win32/IniFile.h"

#include <dirent.h>
#include <sys/stat.h>

#include <map>
#include <mutex>
#include <sstream>

#include "platform/win32/AtomicFile.h"
#include "platform/win32/MachineRoot.h"

namespace qrvini {

namespace {

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return std::string();
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

std::string Unquote(const std::string& v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
}

struct CacheEntry {
    struct timespec mtime {};
    off_t size = 0;
    ino_t inode = 0;
    std::shared_ptr<const Document> doc;
};

std::mutex g_cacheLock;

std::map<std::string, CacheEntry>& Cache() {
    static auto* cache = new std::map<std::string, CacheEntry>;  // outlives objects destroyed at exit
    return *cache;
}

}  // namespace

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

const Section* Document::Find(const std::string& name) const {
    for (const Section& s : sections)
        if (EqualNoCase(s.name, name))
            return &s;
    return nullptr;
}

Document Parse(const std::string& text) {
    Document doc;
    std::string body = text;
    if (body.compare(0, 3, "\xEF\xBB\xBF") == 0)
        body.erase(0, 3);
    std::istringstream in(body);
    std::string raw;
    Section* current = nullptr;
    while (std::getline(in, raw)) {
        std::string line = Trim(raw);
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            std::string name =
                Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            doc.sections.push_back(Section{name, {}});
            current = &doc.sections.back();
            continue;
        }
        size_t eq = line.find('=');
        if (!current || eq == std::string::npos)
            continue;
        current->entries.emplace_back(Trim(line.substr(0, eq)), Unquote(Trim(line.substr(eq + 1))));
    }
    return doc;
}

std::string ResolvePath(const char* fileName) {
    std::string name = fileName ? fileName : "";
    for (char& c : name)
        if (c == '\\')
            c = '/';
    if (name.find('/') != std::string::npos)
        return name;
    std::string dir = GetWindowsDirectoryPath();
    std::string exact = dir + "/" + name;
    struct stat st;
    if (::stat(exact.c_str(), &st) == 0)
        return exact;
    // Installed tables keep their names; a caller's spelling may differ in case, as on Windows.
    if (DIR* d = ::opendir(dir.c_str())) {
        std::string found;
        while (dirent* e = ::readdir(d)) {
            if (EqualNoCase(e->d_name, name)) {
                found = dir + "/" + e->d_name;
                break;
            }
        }
        ::closedir(d);
        if (!found.empty())
            return found;
    }
    return exact;
}

std::shared_ptr<const Document> Load(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return nullptr;
    {
        std::lock_guard<std::mutex> lock(g_cacheLock);
        auto it = Cache().find(path);
        if (it != Cache().end() && it->second.size == st.st_size && it->second.inode == st.st_ino &&
            it->second.mtime.tv_sec == st.st_mtim.tv_sec && it->second.mtime.tv_nsec == st.st_mtim.tv_nsec)
            return it->second.doc;
    }
    // Read through a check of its own: the name may have become a FIFO since the look above.
    std::string text;
    if (!qrvfile::ReadWholeFile(path, text))
        return nullptr;
    auto doc = std::make_shared<const Document>(Parse(text));
    std::lock_guard<std::mutex> lock(g_cacheLock);
    CacheEntry& entry = Cache()[path];
    entry.mtime = st.st_mtim;
    entry.size = st.st_size;
    entry.inode = st.st_ino;
    entry.doc = doc;
    return doc;
}

void Forget(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_cacheLock);
    Cache().erase(path);
}

}  // namespace qrvini

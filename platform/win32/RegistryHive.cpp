// Hive files: the text format, parsing, and atomic, locked rewriting.
#include "platform/win32/RegistryHive.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>

#include "platform/win32/AtomicFile.h"
#include "platform/win32/MachineRoot.h"

namespace qrvreg {

namespace {

void Quote(std::string& out, const std::string& s) {
    out += '"';
    for (unsigned char c : s) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "\\x%02x", c);
                    out += hex;
                } else {
                    out += (char)c;
                }
        }
    }
    out += '"';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads a quoted text at s[i]; i moves past the closing quote.
bool Unquote(const std::string& s, size_t& i, std::string& out) {
    if (i >= s.size() || s[i] != '"')
        return false;
    ++i;
    while (i < s.size()) {
        char c = s[i++];
        if (c == '"')
            return true;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (i >= s.size())
            return false;
        char e = s[i++];
        switch (e) {
            case '"':
            case '\\':
                out += e;
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'x': {
                if (i + 2 > s.size() || HexDigit(s[i]) < 0 || HexDigit(s[i + 1]) < 0)
                    return false;
                out += (char)(HexDigit(s[i]) * 16 + HexDigit(s[i + 1]));
                i += 2;
                break;
            }
            default:
                return false;
        }
    }
    return false;
}

void WriteValues(std::string& out, const Key& key, const std::string& path) {
    out += "\n[" + path + "]\n";
    for (const auto& [folded, v] : key.values) {
        if (v.name.empty())
            out += "@";
        else
            Quote(out, v.name);
        out += '=';
        if (v.type == REG_SZ || v.type == REG_EXPAND_SZ) {
            out += v.type == REG_SZ ? "sz:" : "expand:";
            Quote(out, std::string(v.data.begin(), v.data.end()));
        } else if (v.type == REG_DWORD && v.data.size() == 4) {
            char buf[16];
            DWORD d = (DWORD)v.data[0] | ((DWORD)v.data[1] << 8) | ((DWORD)v.data[2] << 16) |
                      ((DWORD)v.data[3] << 24);
            std::snprintf(buf, sizeof buf, "dword:%08x", (unsigned)d);
            out += buf;
        } else {
            char buf[32];
            std::snprintf(buf, sizeof buf, "hex(%x):", (unsigned)v.type);
            out += buf;
            for (size_t i = 0; i < v.data.size(); ++i) {
                std::snprintf(buf, sizeof buf, i ? ",%02x" : "%02x", v.data[i]);
                out += buf;
            }
        }
        out += '\n';
    }
}

// Writes the keys below root depth first, in name order. The walk keeps its place in a list of
// levels rather than in a call per level, so no nesting of keys can exhaust the stack.
void WriteKeys(std::string& out, const Key& root) {
    struct Level {
        const Key* key;
        std::map<std::string, Key>::const_iterator next;
        size_t pathLength;  // of the path up to and including this key
    };
    std::string path;
    std::vector<Level> levels{{&root, root.subKeys.begin(), 0}};
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next == level.key->subKeys.end()) {
            levels.pop_back();
            continue;
        }
        const Key& sub = (level.next++)->second;
        path.resize(level.pathLength);
        if (!path.empty())
            path += '\\';
        path += sub.name;
        // A key that only leads to others needs no line of its own: its sub keys' lines recreate it.
        if (!sub.values.empty() || sub.subKeys.empty())
            WriteValues(out, sub, path);
        levels.push_back({&sub, sub.subKeys.begin(), path.size()});
    }
}

bool ParseValue(const std::string& line, Value& v) {
    size_t i = 0;
    if (line[0] == '@') {
        i = 1;
    } else if (!Unquote(line, i, v.name) || v.name.empty()) {
        return false;
    }
    if (i >= line.size() || line[i] != '=')
        return false;
    std::string rest = line.substr(i + 1);
    if (rest.rfind("sz:", 0) == 0 || rest.rfind("expand:", 0) == 0) {
        v.type = rest[0] == 's' ? REG_SZ : REG_EXPAND_SZ;
        size_t j = rest.find(':') + 1;
        std::string text;
        if (!Unquote(rest, j, text) || j != rest.size())
            return false;
        v.data.assign(text.begin(), text.end());
        return true;
    }
    if (rest.rfind("dword:", 0) == 0) {
        std::string hex = rest.substr(6);
        if (hex.size() != 8)
            return false;
        DWORD d = 0;
        for (char c : hex) {
            int h = HexDigit(c);
            if (h < 0)
                return false;
            d = d * 16 + (DWORD)h;
        }
        v.type = REG_DWORD;
        v.data = {(BYTE)d, (BYTE)(d >> 8), (BYTE)(d >> 16), (BYTE)(d >> 24)};
        return true;
    }
    if (rest.rfind("hex(", 0) == 0) {
        size_t close = rest.find("):");
        if (close == std::string::npos || close == 4 || close > 12)
            return false;
        DWORD type = 0;
        for (size_t k = 4; k < close; ++k) {
            int h = HexDigit(rest[k]);
            if (h < 0)
                return false;
            type = type * 16 + (DWORD)h;
        }
        v.type = type;
        std::string bytes = rest.substr(close + 2);
        for (size_t k = 0; k < bytes.size();) {
            if (k + 2 > bytes.size() || HexDigit(bytes[k]) < 0 || HexDigit(bytes[k + 1]) < 0)
                return false;
            v.data.push_back((BYTE)(HexDigit(bytes[k]) * 16 + HexDigit(bytes[k + 1])));
            k += 2;
            if (k < bytes.size()) {
                if (bytes[k] != ',')
                    return false;
                ++k;
            }
        }
        return true;
    }
    return false;
}

}  // namespace

std::string Fold(const std::string& name) {
    std::string f = name;
    for (char& c : f)
        if (c >= 'A' && c <= 'Z')
            c = (char)(c - 'A' + 'a');
    return f;
}

bool SplitPath(const char* path, std::vector<std::string>& segments) {
    segments.clear();
    if (!path)
        return true;
    std::string cur;
    for (const char* p = path;; ++p) {
        if (*p == 0 || *p == '\\' || *p == '/') {
            if (!cur.empty() && segments.size() == kMaxKeyDepth)
                return false;
            if (!cur.empty())
                segments.push_back(cur);
            cur.clear();
            if (*p == 0)
                break;
        } else if ((unsigned char)*p < 0x20 || *p == ']') {
            return false;  // would break the hive file's [key] lines
        } else {
            cur += *p;
        }
    }
    return true;
}

std::string Serialize(const Key& root, const char* hiveName) {
    std::string out = "; Quorvel registry hive ";
    out += hiveName;
    out += "\n";
    WriteKeys(out, root);
    return out;
}

bool Parse(const std::string& text, Key& root) {
    root = Key();
    std::istringstream in(text);
    Key* current = nullptr;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            if (line.back() != ']')
                return false;
            // A NUL would cut the name short and put the values under another key.
            if (line.find('\0') != std::string::npos)
                return false;
            std::vector<std::string> segments;
            if (!SplitPath(line.substr(1, line.size() - 2).c_str(), segments) || segments.empty())
                return false;
            current = &root;
            for (const std::string& s : segments) {
                Key& sub = current->subKeys[Fold(s)];
                if (sub.name.empty())
                    sub.name = s;
                current = &sub;
            }
            continue;
        }
        Value v;
        if (!current || !ParseValue(line, v))
            return false;
        current->values[Fold(v.name)] = std::move(v);
    }
    return true;
}

std::string Hive::Path() const {
    return GetMachineRoot() + "/registry/" + m_name + ".reg";
}

LONG Hive::Refresh() {
    std::string path = Path();
    std::string rootPath = GetMachineRoot();
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        m_root = Key();
        m_loaded = true;
        m_damaged = false;
        m_size = -1;
        m_rootPath = rootPath;
        return ERROR_SUCCESS;
    }
    if (m_loaded && m_rootPath == rootPath && m_size == (long long)st.st_size && m_inode == st.st_ino &&
        m_mtime.tv_sec == st.st_mtim.tv_sec && m_mtime.tv_nsec == st.st_mtim.tv_nsec)
        return m_damaged ? ERROR_BADDB : ERROR_SUCCESS;
    std::string text;
    if (!qrvfile::ReadWholeFile(path, text))
        return ERROR_CANTREAD;
    m_damaged = !Parse(text, m_root);
    m_loaded = true;
    m_rootPath = rootPath;
    m_size = (long long)st.st_size;
    m_inode = st.st_ino;
    m_mtime = st.st_mtim;
    return m_damaged ? ERROR_BADDB : ERROR_SUCCESS;
}

LONG Hive::BeginModify() {
    std::string dir = GetMachineRoot() + "/registry";
    if (!EnsureDirectory(dir))
        return ERROR_CANTWRITE;
    // Writers of all processes take turns, each starting from the file as the last one left it.
    std::string lockPath = dir + "/" + m_name + ".lock";
    m_lockFd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (m_lockFd < 0)
        return ERROR_CANTWRITE;
    if (::flock(m_lockFd, LOCK_EX) != 0) {
        ::close(m_lockFd);
        m_lockFd = -1;
        return ERROR_CANTWRITE;
    }
    m_loaded = false;
    LONG rc = Refresh();
    if (rc != ERROR_SUCCESS) {
        // A damaged hive is never overwritten: what it holds may still be repaired by hand.
        ::close(m_lockFd);
        m_lockFd = -1;
    }
    return rc;
}

LONG Hive::EndModify(LONG rc) {
    if (rc == ERROR_SUCCESS && !qrvfile::WriteFileAtomically(Path(), Serialize(m_root, m_name)))
        rc = ERROR_CANTWRITE;
    // Read back on next use: the cached tree holds the change, the stamp must be the new file's.
    m_loaded = false;
    ::close(m_lockFd);
    m_lockFd = -1;
    return rc;
}

}  // namespace qrvreg

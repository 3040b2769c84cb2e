// GetPrivateProfileString/Int and WritePrivateProfileString over the INI cache.
#include "platform/win32/Profile.h"

#include <cctype>
#include <cstring>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/AtomicFile.h"
#include "platform/win32/IniFile.h"

namespace {

// Copies text into buf (size > 0), cut to size - 1; returns the characters copied.
DWORD CopyOut(const std::string& text, LPSTR buf, DWORD size) {
    size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(buf, text.data(), n);
    buf[n] = 0;
    return (DWORD)n;
}

// Copies a list of names, each ended by NUL and the list by a second NUL. A list that does not fit
// is cut and the result is size - 2, as the platform reports it.
DWORD CopyList(const std::vector<std::string>& names, LPSTR buf, DWORD size) {
    if (size < 2) {
        buf[0] = 0;
        return 0;
    }
    std::string all;
    for (const std::string& n : names) {
        all += n;
        all += '\0';
    }
    if (all.size() + 1 <= size) {
        std::memcpy(buf, all.data(), all.size());
        buf[all.size()] = 0;
        if (all.empty())
            buf[1] = 0;
        return (DWORD)all.size();
    }
    std::memcpy(buf, all.data(), size - 2);
    buf[size - 2] = 0;
    buf[size - 1] = 0;
    return size - 2;
}

std::mutex g_writeLock;

}  // namespace

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR def, LPSTR buf, DWORD size,
                               LPCSTR fileName) {
    if (!buf || size == 0)
        return 0;
    std::string path = qrvini::ResolvePath(fileName);
    auto doc = qrvini::Load(path);
    if (!section) {
        std::vector<std::string> names;
        if (doc)
            for (const auto& s : doc->sections)
                names.push_back(s.name);
        return CopyList(names, buf, size);
    }
    const qrvini::Section* sec = doc ? doc->Find(section) : nullptr;
    if (!key) {
        std::vector<std::string> names;
        if (sec)
            for (const auto& e : sec->entries)
                names.push_back(e.first);
        return CopyList(names, buf, size);
    }
    if (sec)
        for (const auto& e : sec->entries)
            if (qrvini::EqualNoCase(e.first, key))
                return CopyOut(e.second, buf, size);
    if (!doc)
        SetLastError(ERROR_FILE_NOT_FOUND);
    return CopyOut(def ? def : "", buf, size);
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT def, LPCSTR fileName) {
    if (!section || !key)
        return (UINT)def;
    auto doc = qrvini::Load(qrvini::ResolvePath(fileName));
    const qrvini::Section* sec = doc ? doc->Find(section) : nullptr;
    if (!sec)
        return (UINT)def;
    for (const auto& e : sec->entries) {
        if (!qrvini::EqualNoCase(e.first, key))
            continue;
        const char* p = e.second.c_str();
        while (*p == ' ' || *p == '\t')
            ++p;
        bool negative = false;
        if (*p == '-' || *p == '+')
            negative = *p++ == '-';
        uint32_t value = 0;  // wraps like the platform's 32-bit arithmetic
        if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
            for (p += 2; std::isxdigit((unsigned char)*p); ++p)
                value = value * 16 +
                        (uint32_t)(std::isdigit((unsigned char)*p) ? *p - '0' : (*p | 0x20) - 'a' + 10);
        } else {
            for (; *p >= '0' && *p <= '9'; ++p)
                value = value * 10 + (uint32_t)(*p - '0');
        }
        return negative ? 0u - value : value;
    }
    return (UINT)def;
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName) {
    if (!section || !fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> lock(g_writeLock);
    std::string path = qrvini::ResolvePath(fileName);
    std::string text;
    qrvfile::ReadWholeFile(path, text);  // a missing file starts empty
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) {
        if (!l.empty() && l.back() == '\r')
            l.pop_back();
        lines.push_back(l);
    }
    auto trim = [](const std::string& s) {
        size_t b = s.find_first_not_of(" \t");
        size_t e = s.find_last_not_of(" \t");
        return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
    };
    auto sectionName = [&](const std::string& l, std::string& name) {
        std::string t = trim(l);
        if (t.empty() || t[0] != '[')
            return false;
        size_t close = t.find(']');
        name = trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
        return true;
    };
    // Locate the section: its header line and the end of its body.
    size_t begin = lines.size(), end = lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string name;
        if (!sectionName(lines[i], name))
            continue;
        if (begin != lines.size()) {
            end = i;
            break;
        }
        if (qrvini::EqualNoCase(name, section))
            begin = i;
    }
    if (!key) {
        if (begin != lines.size())
            lines.erase(lines.begin() + (long)begin, lines.begin() + (long)end);
    } else {
        if (begin == lines.size()) {
            if (!value)
                return TRUE;  // nothing to remove
            lines.push_back(std::string("[") + section + "]");
            begin = lines.size() - 1;
            end = lines.size();
        }
        size_t found = end;
        for (size_t i = begin + 1; i < end; ++i) {
            std::string t = trim(lines[i]);
            size_t eq = t.find('=');
            if (!t.empty() && t[0] != ';' && eq != std::string::npos &&
                qrvini::EqualNoCase(trim(t.substr(0, eq)), key)) {
                found = i;
                break;
            }
        }
        std::string entry = value ? std::string(key) + "=" + value : std::string();
        if (found != end) {
            if (value)
                lines[found] = entry;
            else
                lines.erase(lines.begin() + (long)found);
        } else if (value) {
            // After the section's last non-blank line.
            size_t at = end;
            while (at > begin + 1 && trim(lines[at - 1]).empty())
                --at;
            lines.insert(lines.begin() + (long)at, entry);
        }
    }
    std::string out;
    for (const std::string& l : lines)
        out += l + "\n";
    if (!qrvfile::WriteFileAtomically(path, out)) {
        SetLastError(ERROR_CANTWRITE);
        return FALSE;
    }
    qrvini::Forget(path);
    return TRUE;
}

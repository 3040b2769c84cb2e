// The parsed form of an INI file, shared by the private-profile reader and writer.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qrvini {

struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> entries;  // key, value (trimmed, unquoted)
};

struct Document {
    std::vector<Section> sections;
    const Section* Find(const std::string& name) const;
};

// Parses text: "[section]" lines, "key=value" lines, ';' comments; a UTF-8 byte-order mark and
// CR line ends are accepted. The first of two equal sections or keys wins when looking up.
Document Parse(const std::string& text);

// ASCII case-insensitive equality, the comparison of section and key names.
bool EqualNoCase(const std::string& a, const std::string& b);

// The full path of an INI file: a name without a directory lies in the Windows directory.
std::string ResolvePath(const char* fileName);

// The parsed file, from a cache that is refreshed when the file changes; null when it cannot be
// read.
std::shared_ptr<const Document> Load(const std::string& path);

// Drops the cached form of a file after it was written.
void Forget(const std::string& path);

}  // namespace qrvini

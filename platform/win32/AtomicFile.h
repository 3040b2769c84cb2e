// Whole-file replacement that never leaves a half-written file behind.
#pragma once

#include <string>

namespace qrvfile {

// Writes content to a temporary file in the same directory, flushes it to disk and renames it over
// path (creating the directory first). false, with errno kept, when any step fails; the old file
// is then untouched.
bool WriteFileAtomically(const std::string& path, const std::string& content);

// Reads a whole file; false (with errno) when it cannot be opened or read, or is no regular file.
bool ReadWholeFile(const std::string& path, std::string& content);

}  // namespace qrvfile

// The files the store tool reads and writes besides stores: JSON item documents.
#pragma once

#include <string>

#include "platform/win32/AtomicFile.h"

namespace qrvstore {

// The whole content of a regular file; a CToolError naming the path and the reason otherwise
// (a directory, a FIFO or a device is refused before it is read).
std::string ReadDocumentFile(const std::string& path);

// Replaces a file's content as a whole: written to a private temporary file beside it, flushed and
// renamed over it, so that a failure leaves the old file as it was. A symbolic link is written
// through and stays a link; an existing file keeps its mode, a new one gets the umask's. A
// CToolError naming the path and the reason when it cannot be done.
void ReplaceDocumentFile(const std::string& path, const std::string& content);

// The same replacement written in pieces, for a document too large to be held whole: refused as
// ReplaceDocumentFile refuses, before anything is written; the pieces go to the private temporary
// file as they come (a few at a time), and the file is replaced by Commit only. A writer destroyed
// before its Commit (an error while the pieces were made) leaves the file as it was and nothing
// beside it. Temporary files that an earlier run left beside the file, killed while it wrote,
// are removed first.
class CDocumentWriter {
public:
    explicit CDocumentWriter(const std::string& path);
    void Write(const std::string& piece);
    void Commit();

private:
    static constexpr size_t kBuffer = 1 << 16;
    void Flush();

    std::string m_path;
    qrvfile::CAtomicReplacement m_file;
    std::string m_buffer;
};

}  // namespace qrvstore

// The files the store tool reads and writes besides stores: JSON item documents.
#pragma once

#include <string>

#include "platform/win32/AtomicFile.h"

namespace qrvstore {

// The whole content of a regular file; a CToolError naming the path and the reason otherwise
// (a directory, a FIFO or a device is refused before it is read).
std::string ReadDocumentFile(const std::string& path);

// Replaces a file's content as a whole, written in pieces so that a large document is never held
// whole: refused before anything is written (a directory, a file that may not be written), with the
// reason in the tool's words; the pieces go to a private temporary file beside it as they come (a
// few at a time), which Commit flushes and renames over the file, so that a failure leaves the old
// file as it was. A writer destroyed before its Commit (an error while the pieces were made) leaves
// nothing beside the file either. A symbolic link is written through and stays a link; an existing
// file keeps its mode, a new one gets the umask's. Temporary files that an earlier run left beside
// the file, killed while it wrote, are removed first. Failures are CToolErrors naming the path and
// the reason.
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

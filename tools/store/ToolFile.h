// The files the store tool reads and writes besides stores: JSON item documents.
#pragma once

#include <string>

namespace qrvstore {

// The whole content of a regular file; a CToolError naming the path and the reason otherwise
// (a directory, a FIFO or a device is refused before it is read).
std::string ReadDocumentFile(const std::string& path);

// Replaces a file's content as a whole: written to a private temporary file beside it, flushed and
// renamed over it, so that a failure leaves the old file as it was. A symbolic link is written
// through and stays a link; an existing file keeps its mode, a new one gets the umask's. A
// CToolError naming the path and the reason when it cannot be done.
void ReplaceDocumentFile(const std::string& path, const std::string& content);

}  // namespace qrvstore

// Reading and replacing the JSON documents the store tool is given.
#include "tools/store/ToolFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/win32/AtomicFile.h"
#include "tools/store/ToolText.h"

namespace qrvstore {

namespace {

[[noreturn]] void Fail(const char* verb, const std::string& path, const std::string& reason) {
    throw CToolError(std::string("cannot ") + verb + " " + path + ": " + reason);
}

// The file a write replaces: where a symbolic link leads, so that the link stays a link.
std::string ReplacedFile(const std::string& path) {
    std::string target;
    if (!qrvfile::FollowLinks(path, target)) {
        Fail("write", path,
             std::string("it is a link that cannot be followed (") + std::strerror(errno) + ")");
    }
    return target;
}

}  // namespace

std::string ReadDocumentFile(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        Fail("read", path, std::strerror(errno));
    }
    if (!S_ISREG(st.st_mode)) {
        Fail("read", path, S_ISDIR(st.st_mode) ? "it is a directory" : "it is not a regular file");
    }
    std::string content;
    if (!qrvfile::ReadWholeFile(path, content)) {
        Fail("read", path, std::strerror(errno));
    }
    return content;
}

CDocumentWriter::CDocumentWriter(const std::string& path) : m_path(path) {
    // Refused before anything is written, with the reason in the tool's words.
    const std::string target = ReplacedFile(path);
    struct stat st;
    if (stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            Fail("write", path, S_ISDIR(st.st_mode) ? "it is a directory" : "it is not a regular file");
        }
        // The rename would replace even a file its owner made read-only.
        if (access(target.c_str(), W_OK) != 0) {
            Fail("write", path, std::strerror(errno));
        }
    }
    qrvfile::ReplaceOptions options;
    options.nMode = 0666;
    options.bUmask = true;
    options.bKeepMode = true;
    // What an earlier run killed while it wrote left beside the file.
    options.bRemoveLeftovers = true;
    if (!m_file.Begin(target, options)) {
        Fail("write", path, std::strerror(errno));
    }
    m_buffer.reserve(kBuffer);
}

void CDocumentWriter::Write(const std::string& piece) {
    if (m_buffer.size() + piece.size() < kBuffer) {
        m_buffer += piece;
        return;
    }
    Flush();
    // A large piece goes on as it is, not copied.
    if (!m_file.Write(piece.data(), piece.size())) {
        Fail("write", m_path, std::strerror(errno));
    }
}

void CDocumentWriter::Flush() {
    if (!m_buffer.empty() && !m_file.Write(m_buffer.data(), m_buffer.size())) {
        Fail("write", m_path, std::strerror(errno));
    }
    m_buffer.clear();
}

void CDocumentWriter::Commit() {
    Flush();
    if (!m_file.Commit()) {
        Fail("write", m_path, std::strerror(errno));
    }
}

}  // namespace qrvstore

// A fresh machine root for one test.
#include "tests/support/TempRoot.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace qrvtest {

TempRoot::TempRoot() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "qrvroot-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = tmpl;
    if (const char* prev = std::getenv("QUORVEL_ROOT")) {
        m_hadPrevious = true;
        m_previous = prev;
    }
    setenv("QUORVEL_ROOT", m_path.c_str(), 1);
}

TempRoot::~TempRoot() {
    if (m_hadPrevious)
        setenv("QUORVEL_ROOT", m_previous.c_str(), 1);
    else
        unsetenv("QUORVEL_ROOT");
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string TempRoot::WriteFile(const std::string& relative, const std::string& content) const {
    std::filesystem::path p = std::filesystem::path(m_path) / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << content;
    return p.string();
}

std::string TempRoot::ReadFile(const std::string& relative) const {
    std::ifstream in(std::filesystem::path(m_path) / relative, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace qrvtest

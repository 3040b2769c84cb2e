// A fresh machine root for one test: a temporary directory named in QUORVEL_ROOT while it lives.
#pragma once

#include <string>

namespace qrvtest {

class TempRoot {
public:
    TempRoot();
    ~TempRoot();
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;

    const std::string& Path() const { return m_path; }
    // Writes a file below the root (creating its folders) and returns its full path.
    std::string WriteFile(const std::string& relative, const std::string& content) const;
    std::string ReadFile(const std::string& relative) const;

private:
    std::string m_path;
    std::string m_previous;
    bool m_hadPrevious = false;
};

}  // namespace qrvtest

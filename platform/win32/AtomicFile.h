// Whole-file replacement that never leaves a half-written file behind.
#pragma once

#include <cstddef>
#include <string>

namespace qrvfile {

// How a replacement treats what it replaces. Whatever is chosen, the content goes to a new file of
// this user beside the target, made under a name nobody can foresee (so no file or link planted
// there is ever written through), and reaches the target only by a rename, so that the target
// holds either all of the old content or all of the new.
struct ReplaceOptions {
    // The new file's permission bits; less the process's umask when bUmask is set, as a newly
    // created file would get them.
    unsigned int nMode = 0644;
    bool bUmask = false;
    // An existing regular file keeps its permission bits (nMode is for a new one).
    bool bKeepMode = false;
    // A symbolic link at the path stays a link and the file it leads to (followed link by link,
    // also to a file not made yet) is replaced; otherwise the link itself is replaced by the file.
    bool bWriteThroughLink = false;
    // An existing file that may not be written (by access or by its permission bits) is refused
    // with EACCES: the rename would replace it as long as its folder may be written.
    bool bRefuseReadOnly = false;
    // The target's folder is made first when it is missing.
    bool bMakeDirectory = false;
    // Temporary files of earlier replacements of this very file that were never renamed (the
    // program was killed in between) are removed first: plain files of this user only.
    bool bRemoveLeftovers = false;
    // Told the path of each such file as it is removed, when set.
    void (*pfnLeftoverRemoved)(const std::string& path) = nullptr;
};

// Replaces the file at path by cb bytes at pData as the options say. The new content, then the
// rename in its folder, reach the disk before success is reported (a folder that cannot be opened to
// be flushed, as one the user may write but not read, counts as flushed, as one whose file system
// cannot flush folders does). false, with errno kept, when any step fails: up to the rename the old
// file is untouched and no temporary file is left; when only the flush of the folder fails, the
// new content is in place but may not outlive a crash.
bool ReplaceFileAtomically(const std::string& path, const void* pData, size_t cb,
                           const ReplaceOptions& options);

// The same replacement with the content handed over in parts, so that a large file is never held
// whole: Begin makes the temporary file (or fails as ReplaceFileAtomically does before it writes),
// Write appends to it, and Commit flushes it, renames it over the target and flushes the folder,
// failing as ReplaceFileAtomically does. Nothing reaches the target before Commit; a replacement
// that fails, or is abandoned or destroyed before Commit, removes its temporary file.
class CAtomicReplacement {
public:
    CAtomicReplacement() = default;
    ~CAtomicReplacement();
    CAtomicReplacement(const CAtomicReplacement&) = delete;
    CAtomicReplacement& operator=(const CAtomicReplacement&) = delete;

    bool Begin(const std::string& path, const ReplaceOptions& options);
    bool Write(const void* pData, size_t cb);
    bool Commit();
    void Abandon();

private:
    int m_fd = -1;
    std::string m_temp;
    std::string m_target;
    std::string m_dir;
    unsigned int m_mode = 0;
};

// The file a write through links replaces: where a symbolic link at path leads, followed link by
// link (also to a file not made yet), else path itself. false with errno for a link that cannot be
// read or a loop of links (ELOOP).
bool FollowLinks(const std::string& path, std::string& target);

// How a replacement flushes a file or a folder to disk (fsync by default). Tests put in a flush
// that fails; null puts the default back. Returns the flush used until now.
typedef int (*PFN_FLUSH)(int fd);
PFN_FLUSH SetFlushHook(PFN_FLUSH pfnFlush);

// The settings files' replacement: mode 0644, the folder made when missing, a link at the path
// replaced, file and folder flushed.
bool WriteFileAtomically(const std::string& path, const std::string& content);

// Reads a whole file; false (with errno) when it cannot be opened or read, or is no regular file.
bool ReadWholeFile(const std::string& path, std::string& content);

}  // namespace qrvfile

// Replacing a file as a whole: links, permissions, refusals and failures, as each caller asks.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/win32/AtomicFile.h"
#include "tests/support/FailingFlush.h"
#include "tests/support/TempRoot.h"

namespace {

class AtomicFileTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return m_root.Path() + "/" + name; }
    bool Replace(const std::string& name, const std::string& content,
                 const qrvfile::ReplaceOptions& options) {
        return qrvfile::ReplaceFileAtomically(Path(name), content.data(), content.size(), options);
    }
    unsigned int ModeOf(const std::string& name) const {
        struct stat st {};
        EXPECT_EQ(0, ::stat(Path(name).c_str(), &st)) << name;
        return st.st_mode & 07777;
    }
    // Every name in the root's folder, sorted: no temporary file may be left beside the target.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_root.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    qrvtest::TempRoot m_root;
};

// A link at the target is replaced by the file, or written through (also a link to a file not made
// yet) and kept; where the link led is untouched in the first case.
TEST_F(AtomicFileTest, ALinkAtTheTargetIsReplacedOrWrittenThroughAsAsked) {
    m_root.WriteFile("real.txt", "old");
    ASSERT_EQ(0, ::symlink("real.txt", Path("link.txt").c_str()));
    ASSERT_TRUE(Replace("link.txt", "replaced", qrvfile::ReplaceOptions()));
    EXPECT_FALSE(std::filesystem::is_symlink(Path("link.txt")));
    EXPECT_EQ("replaced", m_root.ReadFile("link.txt"));
    EXPECT_EQ("old", m_root.ReadFile("real.txt"));

    qrvfile::ReplaceOptions through;
    through.bWriteThroughLink = true;
    ASSERT_EQ(0, ::symlink("real.txt", Path("through.txt").c_str()));
    ASSERT_EQ(0, ::symlink("through.txt", Path("chain.txt").c_str()));
    ASSERT_TRUE(Replace("chain.txt", "new", through));
    EXPECT_TRUE(std::filesystem::is_symlink(Path("chain.txt")));
    EXPECT_TRUE(std::filesystem::is_symlink(Path("through.txt")));
    EXPECT_EQ("new", m_root.ReadFile("real.txt"));
    ASSERT_EQ(0, ::symlink("made.txt", Path("dangling.txt").c_str()));
    ASSERT_TRUE(Replace("dangling.txt", "made", through));
    EXPECT_TRUE(std::filesystem::is_symlink(Path("dangling.txt")));
    EXPECT_EQ("made", m_root.ReadFile("made.txt"));
    // A loop of links leads to no file: refused, and none of the links is replaced.
    ASSERT_EQ(0, ::symlink("loop-b.txt", Path("loop-a.txt").c_str()));
    ASSERT_EQ(0, ::symlink("loop-a.txt", Path("loop-b.txt").c_str()));
    errno = 0;
    EXPECT_FALSE(Replace("loop-a.txt", "lost", through));
    EXPECT_EQ(ELOOP, errno);
    EXPECT_TRUE(std::filesystem::is_symlink(Path("loop-a.txt")));
    EXPECT_TRUE(std::filesystem::is_symlink(Path("loop-b.txt")));
    EXPECT_EQ((std::vector<std::string>{"chain.txt", "dangling.txt", "link.txt", "loop-a.txt", "loop-b.txt",
                                        "made.txt", "real.txt", "through.txt"}),
              Names());
}

// A flush that fails is a failed replacement: of the new file before the rename (the old content
// stays), and of the folder after it (the rename may not survive a crash yet).
TEST_F(AtomicFileTest, AFailedFlushOfTheFileOrOfItsFolderIsAFailure) {
    m_root.WriteFile("file", "old");
    for (mode_t kind : {S_IFREG, S_IFDIR}) {
        SCOPED_TRACE(kind);
        qrvtest::FailingFlush failing(kind, EIO);
        errno = 0;
        EXPECT_FALSE(Replace("file", "new", qrvfile::ReplaceOptions()));
        EXPECT_EQ(EIO, errno);
        EXPECT_EQ(kind == S_IFDIR ? "new" : "old", m_root.ReadFile("file"));
        EXPECT_EQ(std::vector<std::string>{"file"}, Names());
    }
    // A folder its file system cannot flush at all has nothing to wait for.
    qrvtest::FailingFlush unsupported(S_IFDIR, EINVAL);
    EXPECT_TRUE(Replace("file", "newer", qrvfile::ReplaceOptions()));
    EXPECT_EQ("newer", m_root.ReadFile("file"));
}

// Takes from this process the powers that let it pass permission bits by (those of root), so that
// the bits bite as they do for any user; true when they bite now.
bool DropPowersOverPermissions() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    for (int power : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) {
        data[0].effective &= ~(1u << power);
        data[0].permitted &= ~(1u << power);
    }
    return ::syscall(SYS_capset, &header, data) == 0;
}

// A folder that may be written but not read cannot be opened to be flushed, by anyone: a save into
// it is done once the file itself is flushed, and still fails when that flush fails. The folder's
// permission bits are real: the saves run in a child process without the powers of root.
TEST_F(AtomicFileTest, AFolderThatMayBeWrittenButNotReadTakesSavesUnlessTheFilesFlushFails) {
    const std::string dir = Path("drop");
    ASSERT_TRUE(std::filesystem::create_directory(dir));
    m_root.WriteFile("drop/kept", "old");
    ASSERT_EQ(0, ::chmod(dir.c_str(), 0333));
    const pid_t child = ::fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
        if (!DropPowersOverPermissions())
            ::_exit(10);
        if (::open(dir.c_str(), O_RDONLY | O_DIRECTORY) >= 0 || errno != EACCES)
            ::_exit(11);
        int nFaults = 0;
        if (!qrvfile::ReplaceFileAtomically(dir + "/file", "new", 3, qrvfile::ReplaceOptions()))
            nFaults |= 1;
        qrvtest::FailingFlush failing(S_IFREG, EIO);
        errno = 0;
        if (qrvfile::ReplaceFileAtomically(dir + "/kept", "new", 3, qrvfile::ReplaceOptions()) ||
            errno != EIO)
            nFaults |= 2;
        ::_exit(nFaults);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ::chmod(dir.c_str(), 0700);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_NE(10, WEXITSTATUS(status)) << "the child could not give up the powers of root";
    EXPECT_NE(11, WEXITSTATUS(status)) << "the folder's permission bits did not bite";
    EXPECT_EQ(0, WEXITSTATUS(status) & 1) << "a save that was done was reported as failed";
    EXPECT_EQ(0, WEXITSTATUS(status) & 2) << "a failed flush of the file was not a failed save";
    EXPECT_EQ("new", m_root.ReadFile("drop/file"));
    EXPECT_EQ("old", m_root.ReadFile("drop/kept"));
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{"file", "kept"}), names);
}

// The new file's permissions: exactly the mode asked for, less the umask when asked, or those of
// the file it replaces when asked to keep them.
TEST_F(AtomicFileTest, TheNewFileGetsTheModeAskedForTheUmasksOrTheOldFiles) {
    qrvfile::ReplaceOptions options;
    options.nMode = 0600;
    ASSERT_TRUE(Replace("exact", "x", options));
    EXPECT_EQ(0600u, ModeOf("exact"));

    const mode_t previous = ::umask(027);
    options.nMode = 0666;
    options.bUmask = true;
    const bool bMasked = Replace("masked", "x", options);
    options.bKeepMode = true;
    m_root.WriteFile("kept", "old");
    ::chmod(Path("kept").c_str(), 0604);
    const bool bKept = Replace("kept", "new", options);
    const bool bNew = Replace("new", "x", options);
    ::umask(previous);
    ASSERT_TRUE(bMasked && bKept && bNew);
    EXPECT_EQ(0640u, ModeOf("masked"));
    EXPECT_EQ(0604u, ModeOf("kept"));
    EXPECT_EQ("new", m_root.ReadFile("kept"));
    EXPECT_EQ(0640u, ModeOf("new"));
}

// Refused or failed, the old content stays, no temporary file is left and errno tells why: a
// read-only file when asked to refuse it, a directory at the target, a missing folder unless it
// is to be made.
TEST_F(AtomicFileTest, AFailureKeepsTheOldContentLeavesNothingBesideAndSetsErrno) {
    qrvfile::ReplaceOptions options;
    options.bRefuseReadOnly = true;
    m_root.WriteFile("readonly", "old");
    ::chmod(Path("readonly").c_str(), 0444);
    errno = 0;
    EXPECT_FALSE(Replace("readonly", "new", options));
    EXPECT_EQ(EACCES, errno);
    EXPECT_EQ("old", m_root.ReadFile("readonly"));

    std::filesystem::create_directory(Path("folder"));
    m_root.WriteFile("folder/inside", "kept");
    errno = 0;
    EXPECT_FALSE(Replace("folder", "new", qrvfile::ReplaceOptions()));
    EXPECT_NE(0, errno);
    EXPECT_EQ("kept", m_root.ReadFile("folder/inside"));
    EXPECT_EQ((std::vector<std::string>{"folder", "readonly"}), Names());

    errno = 0;
    EXPECT_FALSE(Replace("missing/file", "x", qrvfile::ReplaceOptions()));
    EXPECT_EQ(ENOENT, errno);
    options.bMakeDirectory = true;
    ASSERT_TRUE(Replace("missing/file", "x", options));
    EXPECT_EQ("x", m_root.ReadFile("missing/file"));
}

}  // namespace

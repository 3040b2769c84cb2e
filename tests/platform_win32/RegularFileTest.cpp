// Files that must be plain files: a FIFO or a device in their place is refused at once, as a
// directory is, by the file opener, the whole-file reader, the registry and the INI files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/win32/AtomicFile.h"
#include "platform/win32/MachineRoot.h"
#include "platform/win32/Profile.h"
#include "platform/win32/Registry.h"
#include "platform/win32/RegularFile.h"
#include "tests/support/HangGuard.h"
#include "tests/support/TempRoot.h"

namespace {

std::string MakeFifo(const qrvtest::TempRoot& root, const std::string& relative) {
    std::string path = root.WriteFile(relative, "");
    ::unlink(path.c_str());
    EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
    return path;
}

TEST(RegularFile, FifosDevicesAndDirectoriesAreRefusedWithoutWaiting) {
    qrvtest::TempRoot root;
    std::string fifo = MakeFifo(root, "pipe");
    std::string plain = root.WriteFile("plain.txt", "text");
    qrvtest::HangGuard guard("opening a FIFO");

    errno = 0;
    EXPECT_EQ(qrvfile::OpenRegularFile(fifo.c_str(), O_RDONLY), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(qrvfile::OpenRegularFile(fifo.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644), -1);
    EXPECT_EQ(qrvfile::OpenRegularFile("/dev/zero", O_RDONLY), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(qrvfile::OpenRegularFile(root.Path().c_str(), O_RDONLY), -1);
    EXPECT_EQ(errno, EISDIR);

    std::string content = "left as it was";
    EXPECT_FALSE(qrvfile::ReadWholeFile(fifo, content));
    EXPECT_FALSE(qrvfile::ReadWholeFile("/dev/zero", content));

    // A regular file opens, and its descriptor blocks as usual.
    int fd = qrvfile::OpenRegularFile(plain.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
    ::close(fd);
    ASSERT_TRUE(qrvfile::ReadWholeFile(plain, content));
    EXPECT_EQ(content, "text");
}

TEST(RegularFile, AFifoInPlaceOfAHiveOrAnIniFileReadsAsADirectoryDoes) {
    qrvtest::TempRoot root;
    MakeFifo(root, "registry/HKEY_CURRENT_USER.reg");
    MakeFifo(root, "windows/Quorvel.ini");
    qrvtest::HangGuard guard("reading a FIFO as a hive or an INI file");

    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Ostrany\\Quorvel", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(GetPrivateProfileIntA("QRV", "DebugLevel", 7, "Quorvel.ini"), 7u);
}

TEST(RegularFile, PrivateFoldersAreTheOwnersAloneWhateverTheUmask) {
    qrvtest::TempRoot root;
    const mode_t previous = ::umask(0);
    std::string fresh = root.Path() + "/a/fresh";
    ASSERT_TRUE(EnsurePrivateDirectory(fresh));
    // An open folder left by an earlier version is closed to others.
    std::string open = root.Path() + "/open";
    ASSERT_EQ(::mkdir(open.c_str(), 0777), 0);
    ASSERT_TRUE(EnsurePrivateDirectory(open));
    ::umask(previous);
    struct stat st;
    ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    ASSERT_EQ(::stat(open.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);

    std::string file = root.WriteFile("file", "");
    errno = 0;
    EXPECT_FALSE(EnsurePrivateDirectory(file));
    EXPECT_EQ(errno, ENOTDIR);
    EXPECT_FALSE(EnsurePrivateDirectory(file + "/below"));
    EXPECT_EQ(errno, ENOTDIR);
}

}  // namespace

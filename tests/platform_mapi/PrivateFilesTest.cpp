// The machine root's private parts (the profile database with its remembered passwords, the
// stores with all their mail) are the user's alone, and a profile database that cannot be used
// says which file and why.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/mapi/ProfileDb.h"
#include "platform/mapi/StoreAdmin.h"
#include "tests/platform_mapi/MapiTestSupport.h"
#include "tests/support/HangGuard.h"

namespace mapitest {
namespace {

mode_t ModeOf(const std::string& path) {
    struct stat st;
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

class PrivateFiles : public MapiTest {
protected:
    // The result of listing the profiles, and the words for it.
    HRESULT ListProfiles(std::string& why) {
        Ref<IProfAdmin> admin;
        HRESULT hr = MAPIAdminProfiles(0, &admin);
        if (SUCCEEDED(hr)) {
            Ref<IMAPITable> table;
            hr = admin->GetProfileTable(0, &table);
        }
        why = HrProfileDbFailure(hr);
        return hr;
    }
};

TEST_F(PrivateFiles, AProfileWithARememberedPasswordIsReadableByTheUserAloneUnderUmask022) {
    const long setUps = qrvmapi::ProfileDbSetUps();
    const mode_t previous = ::umask(022);
    std::string service = MakeProfile("P1", "", "secret.qst", "Secret", "hunter2");
    ASSERT_EQ(S_OK, RememberPassword("P1", service, "hunter2", true));
    // A store named by a path of its own is as private as one in the stores folder.
    const std::string outside = m_root->Path() + "/elsewhere/mail.qst";
    std::filesystem::create_directories(m_root->Path() + "/elsewhere");
    AddStore("P1", "", outside, "Elsewhere");
    {
        Ref<IMAPISession> session(Logon("P1"));
        Ref<IMsgStore> store(OpenStore(session, "Secret"));
        ASSERT_NE(store.p, nullptr);  // the remembered password opens it
        Ref<IMAPIFolder> inbox(OpenNamedFolder(store, "Inbox"));
        AddMessage(inbox, "IPM.Note", "every mail");
        ::umask(previous);

        const std::string mapi = m_root->Path() + "/mapi";
        EXPECT_EQ(ModeOf(mapi), 0700u);
        EXPECT_EQ(ModeOf(mapi + "/stores"), 0700u);
        // The journals SQLite keeps beside a file while it is open take the file's mode.
        for (const std::string& file : {mapi + "/profiles.db", mapi + "/stores/secret.qst", outside}) {
            EXPECT_EQ(ModeOf(file), 0600u) << file;
            for (const char* journal : {"-wal", "-shm"}) {
                if (std::filesystem::exists(file + journal)) {
                    EXPECT_EQ(ModeOf(file + journal), 0600u) << file << journal;
                }
            }
        }
        for (const auto& entry : std::filesystem::directory_iterator(mapi + "/stores")) {
            EXPECT_EQ(entry.path().filename().string().find(".new-"), std::string::npos) << entry.path();
        }
    }

    // A folder an earlier version left open to everyone is closed at the next use.
    ASSERT_EQ(::chmod((m_root->Path() + "/mapi").c_str(), 0755), 0);
    std::string why;
    EXPECT_EQ(S_OK, ListProfiles(why));
    EXPECT_EQ(ModeOf(m_root->Path() + "/mapi"), 0700u);
    // Every use opened the profile database anew; its schema, log mode and check were set up once.
    EXPECT_EQ(setUps + 1, qrvmapi::ProfileDbSetUps());

    // A folder that is someone else's is not used, whatever its mode.
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown((m_root->Path() + "/mapi").c_str(), 65534, 65534), 0);
        EXPECT_EQ(MAPI_E_NO_ACCESS, ListProfiles(why));
        EXPECT_NE(why.find(m_root->Path() + "/mapi"), std::string::npos) << why;
        ASSERT_EQ(::chown((m_root->Path() + "/mapi").c_str(), 0, 0), 0);
    }
}

TEST_F(PrivateFiles, AProfileDatabaseThatCannotBeUsedNamesItselfAndTheReason) {
    std::string why;
    const std::string mapi = m_root->Path() + "/mapi";
    const std::string db = mapi + "/profiles.db";

    // The machine root named by a file.
    const std::string file = m_root->WriteFile("not-a-folder", "x");
    ASSERT_EQ(::setenv("QUORVEL_ROOT", file.c_str(), 1), 0);
    HRESULT hr = ListProfiles(why);
    ASSERT_EQ(::setenv("QUORVEL_ROOT", m_root->Path().c_str(), 1), 0);
    EXPECT_EQ(hr, MAPI_E_NOT_FOUND);
    EXPECT_EQ(why, "cannot make the folder \"" + file + "/mapi\": Not a directory");

    // A FIFO in its place is refused at once instead of hanging the first read.
    std::filesystem::create_directories(mapi);
    ASSERT_EQ(::mkfifo(db.c_str(), 0600), 0);
    {
        qrvtest::HangGuard guard("opening a FIFO as the profile database");
        hr = ListProfiles(why);
    }
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(why, "cannot open the profile database \"" + db + "\": not a regular file");
    ASSERT_EQ(::unlink(db.c_str()), 0);

    // A damaged file is not taken for a missing profile or a wrong password. (Put in the place of
    // the one this process set up: that one it checked already.)
    MakeProfile("NoPassword", "", "s.qst", "S");
    {
        std::ifstream in(db, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        bytes.replace(4096 + 8, 8, 8, '\xff');
        ASSERT_EQ(::unlink(db.c_str()), 0);
        std::ofstream(db, std::ios::binary) << bytes;
    }
    LPMAPISESSION session = nullptr;
    hr = MAPILogonEx(0, "NoPassword", "", MAPI_EXPLICIT_PROFILE, &session);
    EXPECT_EQ(session, nullptr);
    EXPECT_EQ(hr, MAPI_E_CORRUPT_DATA);
    EXPECT_EQ(HrProfileDbFailure(hr),
              "the profile database \"" + db + "\" is damaged or is not a profile database");
    std::ofstream(db, std::ios::trunc) << std::string(4096, 'x');
    EXPECT_EQ(ListProfiles(why), MAPI_E_CORRUPT_DATA);
    EXPECT_NE(why.find("is damaged"), std::string::npos);
    EXPECT_EQ(HrProfileDbFailure(MAPI_E_NOT_FOUND), "");  // only for the code it came with
}

TEST_F(PrivateFiles, OpeningTheProfileDatabaseAgainKeepsTheLocksOfItsOpenConnection) {
    const std::string path = m_root->Path() + "/mapi/profiles.db";
    qrvmapi::CProfileDb held;
    ASSERT_EQ(S_OK, held.Open());
    {
        // A second connection of the same process, as a logon makes while a session holds one.
        qrvmapi::CProfileDb again;
        ASSERT_EQ(S_OK, again.Open());
    }
    // Another process asks for the lock that SQLite takes to learn whether it is the file's last
    // user: the shared lock of the held connection must still stand in its way, or that process
    // would checkpoint and remove the log this one still writes to.
    pid_t pid = fork();
    if (pid == 0) {
        int fd = ::open(path.c_str(), O_RDWR);
        struct flock probe = {};
        probe.l_type = F_WRLCK;
        probe.l_whence = SEEK_SET;
        probe.l_start = 0x40000000 + 2;  // SQLite's shared-lock range
        probe.l_len = 510;
        _exit(fd >= 0 && ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(pid, waitpid(pid, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the held connection lost its lock";
}

}  // namespace
}  // namespace mapitest

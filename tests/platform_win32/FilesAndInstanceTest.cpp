// Directory search, the single-instance mutex and message boxes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/win32/FindFile.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/SingleInstance.h"
#include "tests/support/TempRoot.h"

namespace {

std::vector<std::string> FindAll(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        names.push_back(data.cFileName);
    } while (FindNextFileA(h, &data));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_MORE_FILES);
    FindClose(h);
    return names;
}

}  // namespace

TEST(FindFile, MasksAreCaseInsensitiveResultsSortedAndNoMatchIsAFailure) {
    qrvtest::TempRoot root;
    root.WriteFile("lang/German.LNG", "x");
    root.WriteFile("lang/english.lng", "xy");
    root.WriteFile("lang/Brazilian.lng", "");
    root.WriteFile("lang/readme.txt", "");
    root.WriteFile("lang/sub.lng/inner", "");
    std::string dir = root.Path() + "/lang";
    EXPECT_EQ(FindAll(dir + "/*.lng"),
              (std::vector<std::string>{"Brazilian.lng", "english.lng", "German.LNG", "sub.lng"}));
    EXPECT_EQ(FindAll(dir + "\\?nglish.*"), (std::vector<std::string>{"english.lng"}));
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((dir + "/sub.lng").c_str(), &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    FindClose(h);
    h = FindFirstFileA((dir + "/english.lng").c_str(), &data);
    EXPECT_EQ(data.nFileSizeLow, 2u);
    FindClose(h);
    EXPECT_EQ(FindFirstFileA((dir + "/*.ini").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FindFirstFileA((root.Path() + "/missing/*.lng").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
    // A mask that would take exponential time to match naively.
    root.WriteFile("d/" + std::string(200, 'a'), "");
    EXPECT_TRUE(FindAll(root.Path() + "/d/" + std::string(30, '*') + "a*a*a*a*a*a*a*a*a*a*b").empty());
}

TEST(SingleInstance, SecondProcessSeesTheMutex) {
    qrvtest::TempRoot root;
    int toChild[2], toParent[2];
    ASSERT_EQ(pipe(toChild), 0);
    ASSERT_EQ(pipe(toParent), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        HANDLE m = CreateMutexA(nullptr, FALSE, "Velmora");
        char c = m && GetLastError() == ERROR_SUCCESS ? 'y' : 'n';
        (void)!write(toParent[1], &c, 1);
        (void)!read(toChild[0], &c, 1);  // hold until told
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(toParent[0], &c, 1), 1);
    EXPECT_EQ(c, 'y');
    // The first instance runs: the open succeeds and a create reports the existing mutex.
    HANDLE open = OpenMutexA(SYNCHRONIZE, FALSE, "Velmora");
    EXPECT_NE(open, nullptr);
    CloseHandle(open);
    HANDLE created = CreateMutexA(nullptr, FALSE, "Velmora");
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
    CloseHandle(created);
    // The holder ends (or dies): the name is free again.
    (void)!write(toChild[1], "x", 1);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_EQ(OpenMutexA(SYNCHRONIZE, FALSE, "Velmora"), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    HANDLE mine = CreateMutexA(nullptr, FALSE, "Velmora");
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SUCCESS);
    HANDLE again = OpenMutexA(SYNCHRONIZE, FALSE, "Velmora");
    EXPECT_NE(again, nullptr);
    CloseHandle(again);
    CloseHandle(mine);
    for (int fd : {toChild[0], toChild[1], toParent[0], toParent[1]}) {
        close(fd);
    }
}

TEST(MessageBox, HandlerAnswersAndDefaultsApply) {
    std::string seenText, seenCaption;
    UINT seenType = 0;
    auto previous = SetMessageBoxHandler([&](HWND, const char* text, const char* caption, UINT type) {
        seenText = text;
        seenCaption = caption;
        seenType = type;
        return IDNO;
    });
    EXPECT_EQ(MessageBoxA(nullptr, "Save changes?", nullptr, MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(seenText, "Save changes?");
    EXPECT_EQ(seenCaption, "Error");
    EXPECT_EQ(seenType, (UINT)(MB_YESNO | MB_ICONQUESTION));
    SetMessageBoxHandler(nullptr);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OK | MB_ICONEXCLAMATION), IDOK);
    SetMessageBoxHandler(previous);
}

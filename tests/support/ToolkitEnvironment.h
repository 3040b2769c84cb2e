// Starts the toolkit once per window test program, when there is a display to start it on.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace qrvtest {

// A test program registers one at namespace scope:
//   ::testing::AddGlobalTestEnvironment(new qrvtest::ToolkitEnvironment("test_ui"));
// Without a display the toolkit stays down and the window tests skip themselves; with one named
// that the toolkit cannot start on, they fail with what the toolkit and the display said.
class ToolkitEnvironment : public ::testing::Environment {
public:
    // lpszProgram: the program name the toolkit is started with.
    explicit ToolkitEnvironment(const char* lpszProgram);
    void SetUp() override;
    void TearDown() override;

protected:
    // Runs once a display is found, just before the toolkit starts.
    virtual void BeforeStart() {}
    // Runs once the toolkit has started.
    virtual void OnStarted() {}

private:
    // One start of the toolkit; what it wrote to the error output meanwhile goes to said.
    bool StartOnce(std::string& said);

    std::string m_program;
    // The toolkit may keep the arguments it started with until it ends.
    char* m_argv[2] = {nullptr, nullptr};
};

// A critical message of the toolkit (GTK, GDK, GLib) while a test runs fails that test: the toolkit
// says so when the program hands it what it cannot take (a negative size, say). What it says while
// it starts fails nothing. A test that drives the toolkit where it complains of its own accord
// keeps one of these for the time it does so, and says why.
class ToolkitComplaintsExpected {
public:
    ToolkitComplaintsExpected();
    ~ToolkitComplaintsExpected();
    ToolkitComplaintsExpected(const ToolkitComplaintsExpected&) = delete;
    ToolkitComplaintsExpected& operator=(const ToolkitComplaintsExpected&) = delete;
};

// TRUE while the toolkit of this test program runs.
bool ToolkitRunning();
// Whether a display was named (DISPLAY or WAYLAND_DISPLAY); without one, window tests skip.
bool DisplayNamed();
// Why the toolkit is not running: the display, what the toolkit said and what the display answers.
std::string ToolkitStartFailure();

}  // namespace qrvtest

// Opens every window test: runs on with the toolkit, fails when a display is named but the toolkit
// did not start on it (a skip would pass unseen), and skips only when there is no display at all.
#define QRV_REQUIRE_TOOLKIT()                                        \
    do {                                                             \
        if (!qrvtest::ToolkitRunning()) {                            \
            if (qrvtest::DisplayNamed())                             \
                FAIL() << qrvtest::ToolkitStartFailure();            \
            GTEST_SKIP() << "no display named for the window tests"; \
        }                                                            \
    } while (0)

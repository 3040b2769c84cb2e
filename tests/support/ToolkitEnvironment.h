// Starts the toolkit once per window test program, when there is a display to start it on.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace qrvtest {

// A test program registers one at namespace scope:
//   ::testing::AddGlobalTestEnvironment(new qrvtest::ToolkitEnvironment("test_ui"));
// Without a display the toolkit stays down and the window tests skip themselves.
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
    std::string m_program;
    // The toolkit may keep the arguments it started with until it ends.
    char* m_argv[2] = {nullptr, nullptr};
};

// TRUE while the toolkit of this test program runs.
bool ToolkitRunning();

}  // namespace qrvtest

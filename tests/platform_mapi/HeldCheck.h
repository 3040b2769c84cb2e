// Holds the store service's next whole-file check at one of its steps until released, so a test can
// see what goes on while a check runs.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

#include "platform/mapi/FileCheck.h"

namespace mapitest {

// The next check that reaches 'stage' waits there until Release, or the end of the object (which
// then waits for the check of the file given to WaitHeld to end). A file with a rollback journal is
// copied first: its check reaches Copying; every check reaches Starting.
class CHeldCheck {
public:
    explicit CHeldCheck(qrvmapi::CFileChecks::CStage stage = qrvmapi::CFileChecks::CStage::Copying) {
        qrvmapi::CFileChecks::Service().SetStageHook([this, stage](qrvmapi::CFileChecks::CStage reached) {
            if (reached != stage) {
                return;
            }
            std::unique_lock<std::mutex> lock(m_lock);
            m_held = true;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return m_released; });
        });
    }
    ~CHeldCheck() {
        Release();
        if (!m_path.empty()) {
            qrvmapi::AwaitFileCheck(m_path, qrvmapi::KeyOfFile(m_path));
        }
        qrvmapi::CFileChecks::Service().SetStageHook(nullptr);
    }
    CHeldCheck(const CHeldCheck&) = delete;
    CHeldCheck& operator=(const CHeldCheck&) = delete;

    // Waits until a check is held; 'path' names the file whose check the end of the object awaits.
    void WaitHeld(const std::string& path = std::string()) {
        m_path = path;
        std::unique_lock<std::mutex> lock(m_lock);
        ASSERT_TRUE(m_changed.wait_for(lock, std::chrono::seconds(10), [this] { return m_held; }))
            << "no check reached the step it is held at";
    }
    bool Held() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_held;
    }
    void Release() {
        std::lock_guard<std::mutex> lock(m_lock);
        m_released = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_held = false;
    bool m_released = false;
    std::string m_path;
};

}  // namespace mapitest

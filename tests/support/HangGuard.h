// Ends the test program with a message when a step that must not block has not returned in time:
// a read that waits for a FIFO's other end would otherwise hang the whole test run.
#pragma once

#include <unistd.h>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

namespace qrvtest {

class HangGuard {
public:
    explicit HangGuard(std::string what, std::chrono::seconds limit = std::chrono::seconds(10))
        : m_what(std::move(what)), m_thread([this, limit] {
              std::unique_lock<std::mutex> lock(m_lock);
              if (!m_done.wait_for(lock, limit, [this] { return m_finished; })) {
                  std::fprintf(stderr, "HANG: %s did not return\n", m_what.c_str());
                  std::fflush(stderr);
                  ::_exit(1);
              }
          }) {}
    ~HangGuard() {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_finished = true;
        }
        m_done.notify_all();
        m_thread.join();
    }
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;

private:
    std::string m_what;
    std::mutex m_lock;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_thread;
};

}  // namespace qrvtest

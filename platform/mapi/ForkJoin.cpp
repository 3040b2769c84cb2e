// Kept threads that run the parts of a piece of work side by side.
#include "platform/mapi/ForkJoin.h"

#include <exception>

namespace qrvmapi {

CForkJoin::~CForkJoin() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stop = true;
    }
    m_start.notify_all();
    for (std::thread& thread : m_threads) {
        thread.join();
    }
}

void CForkJoin::Run(size_t parts, const std::function<void(size_t)>& work) {
    if (parts == 0) {
        return;
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        while (m_threads.size() + 1 < parts) {
            m_threads.emplace_back(&CForkJoin::Serve, this, m_threads.size() + 1);
        }
        m_work = &work;
        m_parts = parts;
        m_running = parts - 1;
        ++m_round;
    }
    m_start.notify_all();
    // The other parts use 'work' and what it refers to, which a throw would take from under them:
    // every part ends before the first failure goes on to the caller.
    std::exception_ptr failure;
    try {
        work(0);
    } catch (...) {
        failure = std::current_exception();
    }
    std::unique_lock<std::mutex> guard(m_lock);
    m_done.wait(guard, [this] { return m_running == 0; });
    m_work = nullptr;
    if (!failure) {
        failure = m_failure;
    }
    m_failure = nullptr;
    guard.unlock();
    if (failure) {
        std::rethrow_exception(failure);
    }
}

void CForkJoin::Serve(size_t part) {
    size_t done = 0;  // the last round this thread took part in, or saw pass without it
    std::unique_lock<std::mutex> guard(m_lock);
    for (;;) {
        m_start.wait(guard, [&] { return m_stop || (m_round != done && part < m_parts); });
        if (m_stop) {
            return;
        }
        done = m_round;
        const std::function<void(size_t)>* work = m_work;
        guard.unlock();
        std::exception_ptr failure;
        try {
            (*work)(part);
        } catch (...) {
            failure = std::current_exception();
        }
        guard.lock();
        if (failure && !m_failure) {
            m_failure = failure;
        }
        if (--m_running == 0) {
            m_done.notify_one();
        }
    }
}

}  // namespace qrvmapi

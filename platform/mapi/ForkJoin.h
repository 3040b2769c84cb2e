// Threads kept for running the parts of one piece of work side by side, call after call.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace qrvmapi {

// Starting a thread costs about as much as reading a few dozen items: a read shared out call after
// call keeps its threads waiting between calls instead of starting new ones each time.
class CForkJoin {
public:
    CForkJoin() = default;
    CForkJoin(const CForkJoin&) = delete;
    CForkJoin& operator=(const CForkJoin&) = delete;
    ~CForkJoin();

    // Calls work(p) for every p in [0, parts) and returns when all have returned: part 0 on the
    // calling thread, each other part on a kept thread of its own (started on first need). When a
    // part throws, the first exception is thrown on once every part has returned.
    void Run(size_t parts, const std::function<void(size_t)>& work);

private:
    void Serve(size_t part);

    std::mutex m_lock;
    std::condition_variable m_start;
    std::condition_variable m_done;
    std::vector<std::thread> m_threads;  // thread i runs part i + 1
    const std::function<void(size_t)>* m_work = nullptr;
    size_t m_parts = 0;
    size_t m_round = 0;    // counts the calls of Run; a thread runs its part once per round
    size_t m_running = 0;  // parts of this round not yet done on the kept threads
    bool m_stop = false;
    std::exception_ptr m_failure;  // the first exception of a part on a kept thread, this round
};

}  // namespace qrvmapi

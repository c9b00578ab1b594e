#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

// Runs `work` on `count` threads of its own, and `tick` on the calling thread about ten times a
// second until every thread has ended; returns when they have, all joined.
inline void RunOnThreads(unsigned count, const std::function<void()>& work,
                         const std::function<void()>& tick) {
    std::mutex mutex;
    std::condition_variable finished;
    unsigned running = count;
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < count; ++i) {
        threads.emplace_back([&] {
            work();
            std::lock_guard lock(mutex);
            --running;
            finished.notify_one();
        });
    }
    {
        std::unique_lock lock(mutex);
        while (!finished.wait_for(lock, std::chrono::milliseconds(100),
                                  [&] { return running == 0; })) {
            lock.unlock();
            tick();
            lock.lock();
        }
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}

}  // namespace platform

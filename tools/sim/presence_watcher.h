// Brings simulated systems onto the segment and takes them off as their schedule says,
// on a thread of its own, counting from its construction.
#pragma once

#include "presence.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class PresenceWatcher {
public:
    // Called with a system's index (from 0) each time it comes (true) or goes (false).
    using OnChange = std::function<void(int index, bool present)>;

    // Calls on_change at once for every system absent at the start, then on the
    // watcher's thread at each moment one comes or goes.
    PresenceWatcher(PresenceSchedule schedule, int count, OnChange on_change);
    ~PresenceWatcher();
    PresenceWatcher(const PresenceWatcher&) = delete;
    PresenceWatcher& operator=(const PresenceWatcher&) = delete;

private:
    void follow(int64_t elapsed_ms);
    void run();

    const PresenceSchedule schedule_;
    const OnChange on_change_;
    const std::chrono::steady_clock::time_point start_;
    std::vector<bool> present_;  // as last told; touched by one thread at a time
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

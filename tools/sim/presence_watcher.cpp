#include "presence_watcher.h"

PresenceWatcher::PresenceWatcher(PresenceSchedule schedule, int count, OnChange on_change)
    : schedule_(std::move(schedule)), on_change_(std::move(on_change)),
      start_(std::chrono::steady_clock::now()), present_(static_cast<size_t>(count), true) {
    follow(0);
    thread_ = std::thread([this] { run(); });
}

PresenceWatcher::~PresenceWatcher() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

// Tells on_change of every system whose presence differs from what it was last told.
void PresenceWatcher::follow(int64_t elapsed_ms) {
    for (size_t index = 0; index < present_.size(); ++index) {
        const bool now = present_at(schedule_, static_cast<int>(index), elapsed_ms);
        if (now == present_[index]) continue;
        present_[index] = now;
        on_change_(static_cast<int>(index), now);
    }
}

void PresenceWatcher::run() {
    for (const int64_t moment : presence_moments(schedule_, static_cast<int>(present_.size()))) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            if (wake_.wait_until(lock, start_ + std::chrono::milliseconds(moment), [this] { return stopping_; }))
                return;
        }
        follow(moment);
    }
}

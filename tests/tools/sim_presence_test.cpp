// When simulated systems are on the segment: start delays, waves, time away.
#include "presence_watcher.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

namespace {

TEST(SimPresence, SaysWhenEachSystemIsOnTheSegment) {
    const PresenceSchedule always{}, late{1000, 0, 0, {}}, waves{1000, 10, 5000, {}},
        away{0, 0, 0, {{2000, 3000}, {9000, 1}}}, both{0, 2, 4000, {{3000, 2000}}}, far{0, 1, 3600000, {}};
    const struct {
        const PresenceSchedule* schedule;
        int index;
        int64_t at;
        bool present;
    } lines[] = {
        {&always, 0, 0, true},    {&always, 4095, 0, true}, {&late, 0, 999, false},    {&late, 0, 1000, true},
        {&late, 7, 999, false},   {&waves, 0, 999, false},  {&waves, 9, 1000, true},   {&waves, 10, 5999, false},
        {&waves, 10, 6000, true}, {&waves, 19, 6000, true}, {&waves, 20, 10999, false}, {&waves, 49, 21000, true},
        {&away, 0, 1999, true},   {&away, 0, 2000, false},  {&away, 3, 4999, false},   {&away, 0, 5000, true},
        {&away, 0, 9000, false},  {&away, 0, 9001, true},   {&both, 1, 0, true},       {&both, 2, 4000, false},
        {&both, 2, 5000, true},   {&far, 4095, 4095LL * 3600000 - 1, false},          {&far, 4095, 4095LL * 3600000, true},
    };
    for (const auto& line : lines)
        EXPECT_EQ(present_at(*line.schedule, line.index, line.at), line.present)
            << "system " << line.index << " at " << line.at << " ms";
    EXPECT_EQ(presence_moments(always, 4), std::vector<int64_t>{});
    EXPECT_EQ(presence_moments(waves, 25), (std::vector<int64_t>{1000, 6000, 11000}));
    EXPECT_EQ(presence_moments(both, 5), (std::vector<int64_t>{3000, 4000, 5000, 8000}));
}

// Each coming and going is told once, in order; who is absent at the start, before
// the watcher's constructor returns.
TEST(SimPresence, TheWatcherFollowsTheSchedule) {
    std::mutex mutex;
    std::condition_variable told;
    std::vector<std::pair<int, bool>> changes;
    {
        const PresenceWatcher watcher({0, 1, 40, {{100, 50}}}, 2, [&](int index, bool present) {
            std::lock_guard<std::mutex> lock(mutex);
            changes.emplace_back(index, present);
            told.notify_all();
        });
        std::unique_lock<std::mutex> lock(mutex);
        ASSERT_FALSE(changes.empty());
        EXPECT_EQ(changes.front(), std::make_pair(1, false));
        ASSERT_TRUE(told.wait_for(lock, std::chrono::seconds(10), [&] { return changes.size() >= 6; }));
    }
    EXPECT_EQ(changes, (std::vector<std::pair<int, bool>>{
                           {1, false}, {1, true}, {0, false}, {1, false}, {0, true}, {1, true}}));
}

}  // namespace

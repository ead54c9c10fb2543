// When simulated systems are on the segment: start delays, waves, time away.
#include "presence_watcher.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

namespace {

PresenceSchedule schedule(int appear_after, int wave_size, int wave_every, std::vector<AwayWindow> away = {}) {
    PresenceSchedule s;
    s.appear_after_ms = appear_after;
    s.wave_size = wave_size;
    s.wave_every_ms = wave_every;
    s.away = std::move(away);
    return s;
}

TEST(SimPresence, SaysWhenEachSystemIsOnTheSegment) {
    const PresenceSchedule always = schedule(0, 0, 0);
    const PresenceSchedule late = schedule(1000, 0, 0);
    const PresenceSchedule waves = schedule(1000, 10, 5000);
    const PresenceSchedule away = schedule(0, 0, 0, {{2000, 3000}, {9000, 1}});
    const PresenceSchedule both = schedule(0, 2, 4000, {{3000, 2000}});
    const PresenceSchedule far = schedule(0, 1, 3600000);
    const struct {
        const PresenceSchedule* schedule;
        int index;
        int64_t at;
        bool present;
    } lines[] = {
        {&always, 0, 0, true},         {&always, 4095, 0, true},
        {&late, 0, 999, false},        {&late, 0, 1000, true},       {&late, 7, 999, false},
        {&waves, 0, 999, false},       {&waves, 0, 1000, true},      {&waves, 9, 1000, true},
        {&waves, 10, 5999, false},     {&waves, 10, 6000, true},     {&waves, 19, 6000, true},
        {&waves, 20, 10999, false},    {&waves, 20, 11000, true},    {&waves, 49, 21000, true},
        {&away, 0, 1999, true},        {&away, 0, 2000, false},      {&away, 3, 4999, false},
        {&away, 0, 5000, true},        {&away, 0, 8999, true},       {&away, 0, 9000, false},
        {&away, 0, 9001, true},
        {&both, 1, 0, true},           {&both, 2, 3999, false},      {&both, 2, 4000, false},  // away then
        {&both, 2, 5000, true},        {&both, 0, 3000, false},
        {&far, 4095, 4095LL * 3600000 - 1, false}, {&far, 4095, 4095LL * 3600000, true},
    };
    for (const auto& line : lines)
        EXPECT_EQ(present_at(*line.schedule, line.index, line.at), line.present)
            << "system " << line.index << " at " << line.at << " ms";
}

TEST(SimPresence, ListsTheMomentsWhenSystemsComeOrGo) {
    EXPECT_EQ(presence_moments(schedule(0, 0, 0), 4), std::vector<int64_t>{});
    EXPECT_EQ(presence_moments(schedule(1000, 10, 5000), 25), (std::vector<int64_t>{1000, 6000, 11000}));
    EXPECT_EQ(presence_moments(schedule(0, 2, 500), 5), (std::vector<int64_t>{500, 1000}));
    EXPECT_EQ(presence_moments(schedule(0, 0, 0, {{2000, 3000}, {0, 500}}), 3),
              (std::vector<int64_t>{0, 500, 2000, 5000}));
    EXPECT_EQ(presence_moments(schedule(500, 0, 0, {{500, 100}}), 1), (std::vector<int64_t>{500, 600}));
}

// The watcher tells of each coming and going once, in order; the systems absent at
// the start before its constructor returns.
TEST(SimPresence, TheWatcherFollowsTheSchedule) {
    std::mutex mutex;
    std::condition_variable told;
    std::vector<std::pair<int, bool>> changes;
    {
        const PresenceWatcher watcher(schedule(0, 1, 40, {{100, 50}}), 2, [&](int index, bool present) {
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

// When a simulated system is on the segment: from its appearance on (a start delay,
// and with many systems the wave it belongs to), except while it is away, as if its
// cable were pulled and plugged in again. Times are milliseconds after the start.
#pragma once

#include <cstdint>
#include <vector>

struct AwayWindow {
    int from_ms;
    int for_ms;
};

struct PresenceSchedule {
    int appear_after_ms = 0;  // the first systems appear this long after the start
    int wave_size = 0;        // systems appear this many at a time; 0: all together
    int wave_every_ms = 0;    // one wave this long after the one before
    std::vector<AwayWindow> away;  // every system is off the segment during each
};

// When system index (from 0) first appears.
int64_t appearance_ms(const PresenceSchedule& schedule, int index);

// Whether system index is on the segment elapsed_ms after the start.
bool present_at(const PresenceSchedule& schedule, int index, int64_t elapsed_ms);

// Every moment at which one of count systems may come or go, ascending, none twice.
std::vector<int64_t> presence_moments(const PresenceSchedule& schedule, int count);

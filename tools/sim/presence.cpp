#include "presence.h"

#include <algorithm>

int64_t appearance_ms(const PresenceSchedule& schedule, int index) {
    const int64_t wave = schedule.wave_size > 0 ? index / schedule.wave_size : 0;
    return schedule.appear_after_ms + wave * schedule.wave_every_ms;
}

bool present_at(const PresenceSchedule& schedule, int index, int64_t elapsed_ms) {
    if (elapsed_ms < appearance_ms(schedule, index)) return false;
    for (const AwayWindow& away : schedule.away)
        if (elapsed_ms >= away.from_ms && elapsed_ms < int64_t{away.from_ms} + away.for_ms) return false;
    return true;
}

std::vector<int64_t> presence_moments(const PresenceSchedule& schedule, int count) {
    std::vector<int64_t> moments;
    for (int index = 0; index < count; ++index) {
        const int64_t appears = appearance_ms(schedule, index);
        if (appears > 0) moments.push_back(appears);
    }
    for (const AwayWindow& away : schedule.away) {
        moments.push_back(away.from_ms);
        moments.push_back(int64_t{away.from_ms} + away.for_ms);
    }
    std::sort(moments.begin(), moments.end());
    moments.erase(std::unique(moments.begin(), moments.end()), moments.end());
    return moments;
}

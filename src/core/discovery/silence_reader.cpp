#include "discovery/silence_reader.h"

#include <algorithm>
#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

// Frames taken from the capture per read: a positive count, which every capture
// library honours, and small enough that the rules are looked at often.
constexpr int FramesPerRead = 64;

struct Dispatch {
    FrameHandler handler;
    void* user;
    bool answered;
};

void on_frame(u_char* user, const pcap_pkthdr* header, const u_char* frame) {
    auto* dispatch = reinterpret_cast<Dispatch*>(user);
    if (dispatch->handler(dispatch->user, header, frame)) dispatch->answered = true;
}

Clock::time_point from_ns(int64_t ns) {
    return Clock::time_point(std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(ns)));
}

// Milliseconds until deadline, rounded up so a wait never ends a millisecond early.
int milliseconds_until(Clock::time_point deadline, Clock::time_point now) {
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - now).count();
    return left <= 0 ? 0 : static_cast<int>((left + 999) / 1000);
}

}  // namespace

ReadEnd read_until_silence(pcap_t* handle, const ReadingRules& rules, FrameHandler handler, void* user) {
    const auto silence = std::chrono::milliseconds(rules.silence_ms);
    const auto hard_limit = std::chrono::milliseconds(rules.hard_limit_ms);
    const Clock::time_point began = Clock::now();
    bool answered = false;
    Clock::time_point last_answer{};
    for (;;) {
        const int64_t sent_ns = rules.request_sent_ns->load(std::memory_order_acquire);
        if (sent_ns == RequestAbandoned) return ReadEnd::Silence;
        const Clock::time_point now = Clock::now();
        const Clock::time_point hard_end = (sent_ns != 0 ? from_ns(sent_ns) : began) + hard_limit;
        Clock::time_point silence_end = hard_end;
        // The sender may store the request's time well after the answers came (a busy
        // machine); it must not restart the silence then.
        if (answered) silence_end = last_answer + silence;
        else if (sent_ns != 0) silence_end = from_ns(sent_ns) + silence;
        if (now >= hard_end) return ReadEnd::HardLimit;
        if (now >= silence_end) return ReadEnd::Silence;
        // Before the request, look again soon: its time sets the deadlines.
        int wait = milliseconds_until(std::min(hard_end, silence_end), now);
        if (sent_ns == 0) wait = std::min(wait, 5);
        const int ready = wait_for_frames(handle, wait);
        if (ready < 0) return ReadEnd::Error;
        if (ready == 0) continue;
        Dispatch dispatch{handler, user, false};
        if (pcap_dispatch(handle, FramesPerRead, on_frame, reinterpret_cast<u_char*>(&dispatch)) < 0)
            return ReadEnd::Error;
        if (dispatch.answered) {
            answered = true;
            last_answer = Clock::now();
        }
    }
}

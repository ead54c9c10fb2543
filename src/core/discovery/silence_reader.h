// Reading a capture until the answers stop.
#pragma once

#include <pcap/pcap.h>

#include <atomic>
#include <cstdint>

// Called for each frame read; true when the frame was an answer, which restarts the
// silence. Other frames are read and dropped without extending the reading.
using FrameHandler = bool (*)(void* user, const pcap_pkthdr* header, const u_char* frame);

struct ReadingRules {
    uint32_t silence_ms;     // the reading ends this long after the request or the last answer
    uint32_t hard_limit_ms;  // and at the latest this long after the request, whatever arrives
    // When the request left, in steady-clock nanoseconds; 0 until then. Before it the
    // silence does not run, and the reading ends hard_limit_ms after it began; an
    // answer proves the request left, so from the first answer on the silence runs from
    // the last answer whenever the time of the request is stored. RequestAbandoned: no
    // request will leave, the reading ends at once.
    const std::atomic<int64_t>* request_sent_ns;
};

constexpr int64_t RequestAbandoned = -1;

enum class ReadEnd { Silence, HardLimit, Error };

// Hands every frame to handler as it arrives until a rule ends the reading. The handle
// must be non-blocking.
ReadEnd read_until_silence(pcap_t* handle, const ReadingRules& rules, FrameHandler handler, void* user);

// Waits at most timeout_ms for frames to read: 1 when there may be some, 0 when the
// time passed, -1 on an error. Platform-specific.
int wait_for_frames(pcap_t* handle, int timeout_ms);

#include "net/silence_reader.h"

#include <windows.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int BatchFrames = 64;  // a positive count: wine's pcap_dispatch reads nothing for 0 or -1
constexpr DWORD PollMs = 5;

}  // namespace

// Non-blocking reads, polled: neither Npcap nor wine's wpcap.dll has a selectable
// descriptor, pcap_getevent aborts under wine, and there a blocking read never reports
// its time-out on an idle link. The silence is kept on our own clock.
int read_until_silence(pcap_t* handle, int silence_ms, pcap_handler handler, u_char* user) {
    char errbuf[PCAP_ERRBUF_SIZE];
    if (pcap_setnonblock(handle, 1, errbuf) != 0) return -1;
    const auto silence = std::chrono::milliseconds(silence_ms);
    auto deadline = Clock::now() + silence;
    while (Clock::now() < deadline) {
        const int frames = pcap_dispatch(handle, BatchFrames, handler, user);
        if (frames < 0) return -1;
        if (frames > 0)
            deadline = Clock::now() + silence;
        else
            Sleep(PollMs);
    }
    return 0;
}

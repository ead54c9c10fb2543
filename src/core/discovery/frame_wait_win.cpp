#include "discovery/silence_reader.h"

#include <windows.h>

#include <algorithm>

// Neither Npcap nor wine's wpcap.dll offers a selectable descriptor, pcap_getevent
// aborts under wine, and there a blocking read never reports its time-out on an idle
// link: the capture is read without blocking, looked at every few milliseconds.
int wait_for_frames(pcap_t*, int timeout_ms) {
    constexpr int PollMs = 5;
    Sleep(static_cast<DWORD>(std::min(std::max(timeout_ms, 0), PollMs)));
    return 1;
}

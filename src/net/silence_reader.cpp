#include "net/silence_reader.h"

#include <poll.h>

#include <cerrno>
#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

int milliseconds_until(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    // Round up, so the wait never ends a millisecond early.
    return left.count() < 0 ? 0 : static_cast<int>(left.count()) + 1;
}

}  // namespace

int read_until_silence(pcap_t* handle, int silence_ms, pcap_handler handler, u_char* user) {
    const int fd = pcap_get_selectable_fd(handle);
    if (fd < 0) return -1;
    auto deadline = Clock::now() + std::chrono::milliseconds(silence_ms);
    while (Clock::now() < deadline) {
        pollfd waiting{fd, POLLIN, 0};
        const int ready = poll(&waiting, 1, milliseconds_until(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return -1;
        if (ready == 0) continue;
        const int frames = pcap_dispatch(handle, -1, handler, user);
        if (frames < 0) return -1;
        if (frames > 0) deadline = Clock::now() + std::chrono::milliseconds(silence_ms);
    }
    return 0;
}

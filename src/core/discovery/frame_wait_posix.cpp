#include "discovery/silence_reader.h"

#include <poll.h>

#include <cerrno>

// The capture's descriptor becomes readable when frames wait in its buffer.
int wait_for_frames(pcap_t* handle, int timeout_ms) {
    const int fd = pcap_get_selectable_fd(handle);
    if (fd < 0) return -1;
    pollfd waiting{fd, POLLIN, 0};
    const int ready = poll(&waiting, 1, timeout_ms);
    if (ready < 0) return errno == EINTR ? 0 : -1;
    return ready > 0 ? 1 : 0;
}

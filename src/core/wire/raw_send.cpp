#include "wire/raw_send.h"

#include <cerrno>

FrameSend send_failure_from_error(int error_number) {
    switch (error_number) {
    case ENOBUFS:
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EINTR:
        return FrameSend::TryAgain;
    default:
        return FrameSend::Failed;
    }
}

FrameSend send_frame(pcap_t* handle, const uint8_t* frame, int length) {
    errno = 0;
    if (pcap_sendpacket(handle, frame, length) == 0) return FrameSend::Sent;
#ifdef _WIN32
    // Npcap's send says why only as text, in the system's language.
    return FrameSend::Failed;
#else
    // The library sends with send() (Linux) or write() (BPF) and only formats the
    // error text afterwards, which leaves errno as the system set it; a failure of its
    // own (a device it cannot send on) leaves the 0 set above.
    return send_failure_from_error(errno);
#endif
}

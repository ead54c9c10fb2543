// Sending one raw frame, and telling a transmit queue that is full for now from a
// send that cannot succeed.
#pragma once

#include <pcap/pcap.h>

#include <cstdint>

enum class FrameSend {
    Sent,
    TryAgain,  // the card's queue or the socket's buffer was full, or a signal came: the same frame may go later
    Failed,    // anything else (the device went away, the frame was refused); the library's text says why
};

// What the error number a failed send left means. Linux and the BSDs report a full
// transmit queue as ENOBUFS, a full socket buffer of a non-blocking handle as EAGAIN.
FrameSend send_failure_from_error(int error_number);

// Sends length bytes of frame on handle as they are. On a failure the library's text
// stays in pcap_geterr(handle). Where the capture library gives no error number
// (Npcap on Windows) every failure is Failed.
FrameSend send_frame(pcap_t* handle, const uint8_t* frame, int length);

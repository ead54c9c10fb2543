// Sending one Discovery Protocol command as a raw frame.
#pragma once

#include "wire/pcap_session.h"
#include "wire/raw_send.h"

#include <cstdint>

// A capture device opened for sending, so a caller that must send at a given moment (a
// scan's request, once its capture is ready) has the opening behind it by then.
class FrameSender {
public:
    // Opens device_name; nothing is printed when it cannot be opened.
    explicit FrameSender(const char* device_name);

    // Sends payload (NUL-terminated, at most 58 characters) from UDP port 5555 to 8989
    // in one raw frame. MACs are 6 bytes in wire order, addresses 4 bytes in network
    // order. 0 when the frame was handed to the device; -1 when the payload is too
    // long, the device did not open or the send fails.
    int32_t send(const char* payload, const uint8_t source_mac[6], const uint8_t destination_mac[6],
                 const uint8_t source_ipv4[4], const uint8_t destination_ipv4[4]);
    // The same, saying whether a failed send may go again later (a full transmit queue).
    FrameSend try_send(const char* payload, const uint8_t source_mac[6], const uint8_t destination_mac[6],
                       const uint8_t source_ipv4[4], const uint8_t destination_ipv4[4]);

private:
    PcapHandle device_;
};

// Opens device_name, sends one frame as FrameSender::send does and closes it again. -1
// also when device_name is empty.
int32_t send_udp_frame_on(const char* device_name, const char* payload, const uint8_t source_mac[6],
                          const uint8_t destination_mac[6], const uint8_t source_ipv4[4],
                          const uint8_t destination_ipv4[4]);

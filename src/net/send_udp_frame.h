// Sending one Discovery Protocol command as a raw frame.
#pragma once

#include "net/interface_record.h"
#include "net/pcap_session.h"

#include <cstdint>

// An interface opened for sending, so a caller that must send at a given moment (the
// scan's request, once its capture is ready) has the opening behind it by then.
class FrameSender {
public:
    // Opens nic's device; nothing is printed when it cannot be opened.
    explicit FrameSender(const InterfaceRecord& nic);

    // Sends payload (NUL-terminated, at most 58 characters) from UDP port 5555 to 8989
    // in one raw frame. MACs are 6 bytes in wire order, addresses 4 bytes in network
    // order. 0 when the frame was handed to the interface; -1 when the payload is too
    // long, the device did not open or the send fails.
    int32_t send(const char* payload, const uint8_t source_mac[6], const uint8_t destination_mac[6],
                 const uint8_t source_ipv4[4], const uint8_t destination_ipv4[4]);

private:
    PcapHandle device_;
};

// Opens nic, sends one frame as FrameSender::send does and closes it again. -1 also
// when the interface has no device name.
int32_t send_udp_frame_on(const InterfaceRecord& nic, const char* payload, const uint8_t source_mac[6],
                          const uint8_t destination_mac[6], const uint8_t source_ipv4[4],
                          const uint8_t destination_ipv4[4]);

// The same on InterfaceTable[ChosenInterface]; -1 when no valid interface is chosen.
int32_t send_udp_frame(const char* payload, const uint8_t source_mac[6],
                       const uint8_t destination_mac[6], const uint8_t source_ipv4[4],
                       const uint8_t destination_ipv4[4]);

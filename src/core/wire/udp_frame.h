// One raw Ethernet II/IPv4/UDP frame with a text payload: building it byte by byte, and
// taking a received one apart. Pure functions: the caller owns the buffer, so the
// sender, the simulator and the tests all build and read frames the same way.
#pragma once

#include "wire/frame_layout.h"

#include <cstddef>
#include <cstdint>

constexpr size_t SendBufferSize = 100;        // the sender's frame buffer
constexpr size_t MaxSendPayload = SendBufferSize - UdpFrameHeaderLength;  // 58

struct UdpEndpoints {
    const uint8_t* source_mac;        // 6 bytes, wire order
    const uint8_t* destination_mac;   // 6 bytes
    const uint8_t* source_ipv4;       // 4 bytes, network order
    const uint8_t* destination_ipv4;  // 4 bytes
    uint16_t source_port;
    uint16_t destination_port;
};

// Builds the frame for the NUL-terminated payload into out (capacity bytes) and
// returns its length, 42 + payload characters; -1 when it does not fit, in which case
// out is left untouched. No padding and no frame check sequence are added.
int32_t build_udp_frame(uint8_t* out, size_t capacity, const char* payload,
                        const UdpEndpoints& ends);

// The Internet checksum (RFC 1071) of a 20-byte IPv4 header whose checksum field is 0.
uint16_t ipv4_header_checksum(const uint8_t* header);

// A received frame's parts, pointing into the frame.
struct UdpView {
    const uint8_t* destination_mac;
    const uint8_t* source_mac;
    const uint8_t* source_ipv4;
    const uint8_t* destination_ipv4;
    uint16_t source_port;
    uint16_t destination_port;
    const char* payload;
    size_t payload_length;  // bounded by the UDP length and by the captured bytes
};

// Takes apart the first captured_length bytes of a frame, reading nothing past them (IPv4
// options are skipped). false when it is not an unfragmented IPv4 UDP frame whose
// headers it holds whole; *view is then not written.
bool read_udp_frame(const uint8_t* frame, size_t captured_length, UdpView* view);

// Building one raw Ethernet II/IPv4/UDP frame with a text payload, byte by byte.
// Pure functions: the caller owns the buffer, so the sender, the simulator and the
// tests all build frames the same way.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t UdpFrameHeaderLength = 42;  // Ethernet 14, IPv4 20, UDP 8
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

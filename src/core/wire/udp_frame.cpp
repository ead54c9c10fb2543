#include "wire/udp_frame.h"

#include <cstring>

namespace {

void put16(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value >> 8);
    at[1] = static_cast<uint8_t>(value);
}

void write_ethernet(uint8_t* frame, const UdpEndpoints& ends) {
    std::memcpy(frame, ends.destination_mac, 6);
    std::memcpy(frame + 6, ends.source_mac, 6);
    put16(frame + 12, 0x0800);  // IPv4
}

void write_ipv4(uint8_t* ip, size_t payload_length, const UdpEndpoints& ends) {
    ip[0] = 0x45;  // version 4, five words: no options
    ip[1] = 0;
    put16(ip + 2, 28 + payload_length);
    put16(ip + 4, 1);  // identification: the systems do not look at it
    put16(ip + 6, 0);
    ip[8] = 128;
    ip[9] = 17;  // UDP
    put16(ip + 10, 0);
    std::memcpy(ip + 12, ends.source_ipv4, 4);
    std::memcpy(ip + 16, ends.destination_ipv4, 4);
    put16(ip + 10, ipv4_header_checksum(ip));
}

void write_udp(uint8_t* udp, size_t payload_length, const UdpEndpoints& ends) {
    put16(udp, ends.source_port);
    put16(udp + 2, ends.destination_port);
    put16(udp + 4, 8 + payload_length);
    put16(udp + 6, 0);  // no checksum: optional over IPv4
}

}  // namespace

uint16_t ipv4_header_checksum(const uint8_t* header) {
    uint32_t sum = 0;
    for (int i = 0; i < 20; i += 2) sum += static_cast<uint32_t>(header[i] << 8 | header[i + 1]);
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum);
}

int32_t build_udp_frame(uint8_t* out, size_t capacity, const char* payload,
                        const UdpEndpoints& ends) {
    if (capacity < UdpFrameHeaderLength) return -1;
    // Stop counting once the payload cannot fit, so an unterminated text is never overrun.
    const size_t room = capacity - UdpFrameHeaderLength;
    const size_t n = strnlen(payload, room + 1);
    if (n > room) return -1;
    write_ethernet(out, ends);
    write_ipv4(out + 14, n, ends);
    write_udp(out + 34, n, ends);
    std::memcpy(out + UdpFrameHeaderLength, payload, n);
    return static_cast<int32_t>(UdpFrameHeaderLength + n);
}

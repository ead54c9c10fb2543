// A received Ethernet II/IPv4/UDP frame, taken apart without reading past its end.
#pragma once

#include <cstddef>
#include <cstdint>

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

// false when the frame is not an unfragmented IPv4 UDP frame whose headers it holds whole.
bool parse_udp_view(const uint8_t* frame, size_t captured_length, UdpView* view);

// Which IPv4 addresses a Talvo system can have: none in 0.0.0.0/8 ("this network"),
// 127.0.0.0/8 (loopback) or from 224.0.0.0 up (multicast, reserved, broadcast).
#pragma once

#include <cstdint>

inline bool device_can_have_address(const uint8_t ipv4[4]) {
    return ipv4[0] != 0 && ipv4[0] != 127 && ipv4[0] < 224;
}

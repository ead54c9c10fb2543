// Frames written out by hand, byte for byte, for the tests to compare and feed.
#pragma once

#include <cstdint>

// The IDENT request from MAC 02:7a:10:0b:00:01 and 198.51.100.1 to the broadcast
// addresses. IPv4 header checksum, worked by hand over the ten header words:
//   4500 + 002C + 0001 + 0000 + 8011 + 0000 + C633 + 6401 + FFFF + FFFF = 0x3EF70
//   folded: 0xEF70 + 0x3 = 0xEF73; one's complement: 0x108C.
constexpr uint8_t IdentFrameBytes[58] = {
    0xff, 0xff, 0xff, 0xff, 0xff, 0xff,  // destination MAC: broadcast
    0x02, 0x7a, 0x10, 0x0b, 0x00, 0x01,  // source MAC
    0x08, 0x00,                          // EtherType IPv4
    0x45, 0x00,                          // version 4, 5 words; type of service
    0x00, 0x2c,                          // total length 44
    0x00, 0x01,                          // identification 1
    0x00, 0x00,                          // flags, fragment offset
    0x80, 0x11,                          // TTL 128, UDP
    0x10, 0x8c,                          // header checksum
    198, 51, 100, 1,                     // source address
    255, 255, 255, 255,                  // destination address
    0x15, 0xb3, 0x23, 0x1d,              // ports 5555 -> 8989
    0x00, 0x18, 0x00, 0x00,              // UDP length 24, no checksum
    '@', '%', '_', '*', '_', '@', 'T', 'L', 'D', 'P', ' ', 'I', 'D', 'E', 'N', 'T'};

constexpr uint8_t IdentSourceMac[6] = {0x02, 0x7a, 0x10, 0x0b, 0x00, 0x01};
constexpr uint8_t IdentSourceIpv4[4] = {198, 51, 100, 1};

// IDENTREPLY frames assembled byte by byte for the parsing tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ReplyShape {
    uint8_t source_mac[6] = {0x02, 0x7a, 0x10, 0x0b, 0x00, 0x05};
    uint8_t source_ipv4[4] = {198, 51, 100, 15};
    int header_words = 5;  // IPv4 header length in 32-bit words; options are zero bytes
    int total_length = -1;  // the IPv4 total length field; -1: the datagram's true length
    int udp_length = -1;    // the UDP length field; -1: the true length
    std::string trailer;    // bytes after the datagram, in the frame (padding, garbage)
};

// Ethernet + IPv4 (with header_words words) + UDP headers, then the payload's bytes.
inline std::vector<uint8_t> reply_frame(const std::string& payload, const ReplyShape& shape = {}) {
    std::vector<uint8_t> f(14, 0);
    for (int i = 0; i < 6; ++i) f[i] = 0x02;  // the PC's MAC; the handler does not look
    for (int i = 0; i < 6; ++i) f[6 + i] = shape.source_mac[i];
    f[12] = 0x08;
    const size_t ip_length = static_cast<size_t>(shape.header_words) * 4;
    const size_t udp_length = shape.udp_length >= 0 ? static_cast<size_t>(shape.udp_length) : 8 + payload.size();
    const size_t total = shape.total_length >= 0 ? static_cast<size_t>(shape.total_length)
                                                 : ip_length + 8 + payload.size();
    std::vector<uint8_t> ip(ip_length < 20 ? 20 : ip_length, 0);
    ip[0] = static_cast<uint8_t>(0x40 | (shape.header_words & 0x0F));
    ip[2] = static_cast<uint8_t>(total >> 8);
    ip[3] = static_cast<uint8_t>(total);
    ip[8] = 64;
    ip[9] = 17;
    for (int i = 0; i < 4; ++i) ip[12 + i] = shape.source_ipv4[i];
    ip[16] = 198, ip[17] = 51, ip[18] = 100, ip[19] = 1;
    ip.resize(ip_length);  // an IHL under 5 really is shorter
    f.insert(f.end(), ip.begin(), ip.end());
    const uint8_t udp[8] = {0x22, 0x1d, 0x15, 0xb3, static_cast<uint8_t>(udp_length >> 8),
                            static_cast<uint8_t>(udp_length), 0, 0};
    f.insert(f.end(), udp, udp + 8);
    f.insert(f.end(), payload.begin(), payload.end());
    f.insert(f.end(), shape.trailer.begin(), shape.trailer.end());
    return f;
}

inline std::string identreply(const std::string& rest) { return "@%_*_@TLDP IDENTREPLY <" + rest; }

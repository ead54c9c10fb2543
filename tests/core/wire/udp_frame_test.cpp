// The raw frame builder, byte by byte, its reader, and how an adapter is told to belong
// to a device.
#include "support/frame_bytes.h"
#include "wire/adapter_table.h"
#include "wire/discovery_protocol.h"
#include "wire/udp_frame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

UdpEndpoints ident_ends() {
    return UdpEndpoints{IdentSourceMac, BroadcastMac, IdentSourceIpv4, BroadcastIpv4,
                        DiscoverySourcePort, DiscoveryDestinationPort};
}

// Validates a header the receiver's way: the one's complement sum of all ten words,
// checksum included, is 0xFFFF. Summed in 64 bits and reduced modulo 0xFFFF, unlike
// the builder's folding loop.
bool header_checksum_valid(const uint8_t* header) {
    uint64_t sum = 0;
    for (int i = 0; i < 20; i += 2) sum += get16(header + i);
    return sum % 0xFFFF == 0 && sum != 0;
}

TEST(UdpFrame, IdentFrameMatchesTheProtocolByteForByte) {
    uint8_t frame[SendBufferSize];
    ASSERT_EQ(build_udp_frame(frame, sizeof frame, IdentRequest, ident_ends()), 58);
    EXPECT_EQ(std::vector<uint8_t>(frame, frame + 58),
              std::vector<uint8_t>(IdentFrameBytes, IdentFrameBytes + 58));
    EXPECT_TRUE(header_checksum_valid(frame + 14));
}

TEST(UdpFrame, ChecksumMatchesKnownHeaders) {
    // A widely published header (192.168.0.1 -> 192.168.0.199, total length 115).
    uint8_t header[20] = {0x45, 0x00, 0x00, 0x73, 0x00, 0x00, 0x40, 0x00, 0x40, 0x11,
                          0x00, 0x00, 0xc0, 0xa8, 0x00, 0x01, 0xc0, 0xa8, 0x00, 0xc7};
    EXPECT_EQ(ipv4_header_checksum(header), 0xb861);
    // Sums that carry more than once still fold to a valid header.
    std::memset(header, 0xff, sizeof header);
    header[10] = header[11] = 0;
    const uint16_t sum = ipv4_header_checksum(header);
    header[10] = static_cast<uint8_t>(sum >> 8);
    header[11] = static_cast<uint8_t>(sum);
    EXPECT_TRUE(header_checksum_valid(header));
}

TEST(UdpFrame, EmptyPayloadGivesBareHeaders) {
    uint8_t frame[SendBufferSize];
    ASSERT_EQ(build_udp_frame(frame, sizeof frame, "", ident_ends()), 42);
    EXPECT_EQ(get16(frame + 16), 28);  // IPv4 total length
    EXPECT_EQ(get16(frame + 18), 1);   // identification
    EXPECT_EQ(frame[22], 128);         // TTL
    EXPECT_EQ(frame[14], 0x45);        // no options
    EXPECT_EQ(get16(frame + 38), 8);   // UDP length
    EXPECT_EQ(get16(frame + 40), 0);   // UDP checksum
    EXPECT_TRUE(header_checksum_valid(frame + 14));
}

TEST(UdpFrame, PayloadLimitIsFiftyEightCharacters) {
    uint8_t frame[SendBufferSize];
    const std::string longest(58, 'x');
    ASSERT_EQ(build_udp_frame(frame, sizeof frame, longest.c_str(), ident_ends()), 100);
    EXPECT_EQ(get16(frame + 16), 28 + 58);
    EXPECT_EQ(get16(frame + 38), 8 + 58);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(frame + 42), 58), longest);

    std::memset(frame, 0xa5, sizeof frame);
    const std::string too_long(59, 'x');
    EXPECT_EQ(build_udp_frame(frame, sizeof frame, too_long.c_str(), ident_ends()), -1);
    for (uint8_t byte : frame) ASSERT_EQ(byte, 0xa5) << "a refused frame must leave the buffer alone";
}

TEST(UdpFrame, EndpointsAndPortsGoWhereTheyBelong) {
    const uint8_t src_mac[6] = {1, 2, 3, 4, 5, 6}, dst_mac[6] = {7, 8, 9, 10, 11, 12};
    const uint8_t src_ip[4] = {198, 51, 100, 7}, dst_ip[4] = {198, 51, 100, 200};
    uint8_t frame[64];
    const UdpEndpoints ends{src_mac, dst_mac, src_ip, dst_ip, 8989, 5555};
    ASSERT_EQ(build_udp_frame(frame, sizeof frame, "ab", ends), 44);
    EXPECT_EQ(0, std::memcmp(frame, dst_mac, 6));
    EXPECT_EQ(0, std::memcmp(frame + 6, src_mac, 6));
    EXPECT_EQ(0, std::memcmp(frame + 26, src_ip, 4));
    EXPECT_EQ(0, std::memcmp(frame + 30, dst_ip, 4));
    EXPECT_EQ(get16(frame + 34), 8989);
    EXPECT_EQ(get16(frame + 36), 5555);
    EXPECT_EQ(frame[42], 'a');
    EXPECT_EQ(frame[43], 'b');
    EXPECT_EQ(build_udp_frame(frame, 41, "", ends), -1);  // not even the headers fit
}

// The reader on the literal IDENT frame, cut or with one byte changed a line.
TEST(UdpFrame, ReaderTakesApartOnlyWholeUnfragmentedIpv4UdpFrames) {
    struct Case {
        const char* what;
        size_t at;  // the byte changed, or 58 for none
        uint8_t value;
        size_t captured;
        bool read;
        size_t payload;  // its length, when read
    };
    const Case cases[] = {
        {"the IDENT frame", 58, 0, 58, true, 16},
        {"its IPv4 header cut", 58, 0, 33, false, 0},
        {"headers alone captured", 58, 0, 42, true, 0},
        {"its UDP header cut", 58, 0, 41, false, 0},
        {"the captured bytes bound the payload", 58, 0, 50, true, 8},
        {"an ARP EtherType", 13, 0x06, 58, false, 0},
        {"IP version 6", 14, 0x65, 58, false, 0},
        {"an IPv4 header of four words", 14, 0x44, 58, false, 0},
        {"one word of options before UDP", 14, 0x46, 58, true, 12},
        {"TCP", 23, 0x06, 58, false, 0},
        {"a later fragment", 21, 0x01, 58, false, 0},
        {"more fragments to come", 20, 0x20, 58, false, 0},
        {"don't fragment", 20, 0x40, 58, true, 16},
        {"a UDP length of 7", 39, 0x07, 58, false, 0},
        {"the UDP length bounds the payload", 39, 0x0c, 58, true, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        uint8_t frame[58];
        std::memcpy(frame, IdentFrameBytes, sizeof frame);
        if (c.at < sizeof frame) frame[c.at] = c.value;
        // Exactly the captured bytes, so a sanitizer build sees any read past them.
        const std::vector<uint8_t> captured(frame, frame + c.captured);
        UdpView view{};
        ASSERT_EQ(read_udp_frame(captured.data(), captured.size(), &view), c.read);
        if (!c.read) continue;
        EXPECT_EQ(view.payload_length, c.payload);
        const size_t udp = frame[14] == 0x46 ? 38 : 34;
        EXPECT_EQ(reinterpret_cast<const uint8_t*>(view.payload), captured.data() + udp + 8);
    }
}

TEST(UdpFrame, ReaderFindsEveryFieldWhereTheFrameHasIt) {
    UdpView view{};
    ASSERT_TRUE(read_udp_frame(IdentFrameBytes, sizeof IdentFrameBytes, &view));
    EXPECT_EQ(view.destination_mac, IdentFrameBytes);
    EXPECT_EQ(view.source_mac, IdentFrameBytes + 6);
    EXPECT_EQ(view.source_ipv4, IdentFrameBytes + 26);
    EXPECT_EQ(view.destination_ipv4, IdentFrameBytes + 30);
    EXPECT_EQ(view.source_port, 5555);
    EXPECT_EQ(view.destination_port, 8989);
    EXPECT_EQ(std::string(view.payload, view.payload_length), "@%_*_@TLDP IDENT");
}

TEST(AdapterRules, SuffixMustBeStrictlyShorter) {
    EXPECT_TRUE(adapter_is_device_suffix("{4A1B}", "\\Device\\NPF_{4A1B}"));
    EXPECT_FALSE(adapter_is_device_suffix("\\Device\\NPF_{4A1B}", "\\Device\\NPF_{4A1B}"));
    EXPECT_FALSE(adapter_is_device_suffix("{4A1C}", "\\Device\\NPF_{4A1B}"));
    EXPECT_FALSE(adapter_is_device_suffix("X\\Device\\NPF_{4A1B}", "\\Device\\NPF_{4A1B}"));
    EXPECT_TRUE(adapter_is_device_suffix("", "eth0")) << "the empty identifier ends every name";
    EXPECT_TRUE(adapter_is_device_itself("eth0", "eth0"));
    EXPECT_FALSE(adapter_is_device_itself("th0", "eth0"));
}

}  // namespace

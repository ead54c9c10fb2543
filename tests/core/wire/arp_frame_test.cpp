// ARP probes byte for byte, and what the reader accepts of a captured ARP frame.
#include "wire/arp_frame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

const uint8_t PcMac[6] = {0x02, 0x7a, 0x10, 0x0d, 0x00, 0x01};
const uint8_t HostMac[6] = {0x00, 0x1b, 0x21, 0x0a, 0x0b, 0x0c};

TEST(ArpFrame, ProbeMatchesTheProtocolByteForByte) {
    const uint8_t probed[4] = {198, 51, 100, 77};
    const uint8_t expected[42] = {
        0xff, 0xff, 0xff, 0xff, 0xff, 0xff,  // destination: broadcast
        0x02, 0x7a, 0x10, 0x0d, 0x00, 0x01,  // source: the PC
        0x08, 0x06,                          // EtherType ARP
        0x00, 0x01,                          // hardware type Ethernet
        0x08, 0x00,                          // protocol type IPv4
        0x06, 0x04,                          // hardware and protocol address lengths
        0x00, 0x01,                          // operation: request
        0x02, 0x7a, 0x10, 0x0d, 0x00, 0x01,  // sender MAC: the PC
        0x00, 0x00, 0x00, 0x00,              // sender address: none, a probe claims nothing
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // target MAC: unknown
        198,  51,   100,  77};               // target address: the one asked about
    const ArpFrame frame = arp_probe_frame(PcMac, probed);
    EXPECT_EQ(std::vector<uint8_t>(frame.begin(), frame.end()), std::vector<uint8_t>(expected, expected + 42));
}

// A host's answer to the probe above, padded to Ethernet's minimum as cards send it.
std::vector<uint8_t> host_reply() {
    std::vector<uint8_t> frame = {
        0x02, 0x7a, 0x10, 0x0d, 0x00, 0x01, 0x00, 0x1b, 0x21, 0x0a, 0x0b, 0x0c, 0x08, 0x06,  // Ethernet
        0x00, 0x01, 0x08, 0x00, 0x06, 0x04, 0x00, 0x02,                                      // reply
        0x00, 0x1b, 0x21, 0x0a, 0x0b, 0x0c, 198,  51,   100,  60,                            // sender
        0x02, 0x7a, 0x10, 0x0d, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00};                         // target
    frame.resize(60, 0);
    return frame;
}

TEST(ArpFrame, ReadsEveryFieldOfAnAnswer) {
    const std::vector<uint8_t> frame = host_reply();
    ArpFields fields{};
    ASSERT_EQ(read_arp_frame(frame.data(), frame.size(), &fields), ArpRead::Arp);
    EXPECT_EQ(fields.operation, ArpOperation::Reply);
    EXPECT_EQ(0, std::memcmp(fields.sender_mac, HostMac, 6));
    const uint8_t sender[4] = {198, 51, 100, 60}, target[4] = {0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(fields.sender_ipv4, sender, 4));
    EXPECT_EQ(0, std::memcmp(fields.target_mac, PcMac, 6));
    EXPECT_EQ(0, std::memcmp(fields.target_ipv4, target, 4));
    EXPECT_EQ(read_arp_frame(frame.data(), 42, &fields), ArpRead::Arp) << "an unpadded frame is whole too";
}

// Each case changes one byte of the answer, or cuts it; the fields are then left alone.
TEST(ArpFrame, RefusesShortAndMalformedFrames) {
    struct Case {
        const char* what;
        size_t length;
        size_t offset;
        uint8_t value;
        ArpRead expected;
    };
    const Case cases[] = {
        {"empty", 0, 0, 0x00, ArpRead::TooShort},
        {"one byte short of the ARP packet", 41, 0, 0x00, ArpRead::TooShort},
        {"EtherType IPv4", 60, 13, 0x00, ArpRead::NotArp},
        {"EtherType 802.1Q", 60, 12, 0x81, ArpRead::NotArp},
        {"hardware type IEEE 802", 60, 15, 0x06, ArpRead::Malformed},
        {"protocol type 0x8600", 60, 16, 0x86, ArpRead::Malformed},
        {"hardware length 8", 60, 18, 0x08, ArpRead::Malformed},
        {"protocol length 16", 60, 19, 0x10, ArpRead::Malformed},
        {"operation 0", 60, 21, 0x00, ArpRead::Malformed},
        {"operation 3 (RARP request)", 60, 21, 0x03, ArpRead::Malformed},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> frame = host_reply();
        frame[c.offset] = c.value;
        ArpFields fields;
        std::memset(&fields, 0xa5, sizeof fields);
        EXPECT_EQ(read_arp_frame(frame.data(), c.length, &fields), c.expected) << c.what;
        const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&fields);
        for (size_t i = 0; i < sizeof fields; ++i) ASSERT_EQ(bytes[i], 0xa5) << c.what << ": fields written";
    }
}

}  // namespace

// What handle_discovery_frame makes of captured frames: records in SystemTable.
#include "core_link/scan.h"
#include "core_link/system_table.h"
#include "discovery/discovery_frame.h"
#include "support/reply_frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>

namespace {

class DiscoveryFrame : public ::testing::Test {
protected:
    void SetUp() override { clear_system_table(); }
    void TearDown() override { clear_system_table(); }

    // Hands over exactly the frame's bytes from a heap block of that size, so the
    // address sanitizer catches any read past the captured length.
    static void feed(const std::vector<uint8_t>& frame, size_t length) {
        std::unique_ptr<uint8_t[]> copy(new uint8_t[length ? length : 1]);
        std::copy(frame.begin(), frame.begin() + static_cast<long>(length), copy.get());
        handle_discovery_frame(copy.get(), length);
    }
    static void feed(const std::vector<uint8_t>& frame) { feed(frame, frame.size()); }
};

TEST_F(DiscoveryFrame, AnswerBecomesARecord) {
    feed(reply_frame(identreply("TLV-100 3.1.0 ")));
    ASSERT_EQ(SystemCount, 1);
    const SystemRecord& r = SystemTable[0];
    EXPECT_STREQ(r.type_text, "TLV-100");
    EXPECT_STREQ(r.firmware_text, "3.1.0");
    EXPECT_STREQ(r.ip_text, "198.51.100.15");
    EXPECT_EQ(r.ipv4[0], 198);
    EXPECT_EQ(r.ipv4[3], 15);
    EXPECT_STREQ(r.serial_text, "K-R 720901");  // 11 * 65536 + 0 * 256 + 5
    EXPECT_EQ(r.reply_headers_length, 42);
    const std::vector<uint8_t> frame = reply_frame(identreply("TLV-100 3.1.0 "));
    EXPECT_EQ(std::vector<uint8_t>(r.reply_headers, r.reply_headers + 42),
              std::vector<uint8_t>(frame.begin(), frame.begin() + 42));
}

TEST_F(DiscoveryFrame, FieldsAreDelimitedBySpaces) {
    feed(reply_frame(identreply("TLV-220S 3.2.7 build 17 extra ")));  // further words dropped
    feed(reply_frame(identreply(" 3.2.7 ")));                          // empty type
    feed(reply_frame(identreply("TLV-100  later ")));                  // empty firmware
    feed(reply_frame(identreply("ab c ")));                            // shorter than "unknown"
    ASSERT_EQ(SystemCount, 4);
    EXPECT_STREQ(SystemTable[0].type_text, "TLV-220S");
    EXPECT_STREQ(SystemTable[0].firmware_text, "3.2.7");
    EXPECT_STREQ(SystemTable[1].type_text, "unknown");
    EXPECT_STREQ(SystemTable[1].firmware_text, "3.2.7");
    EXPECT_STREQ(SystemTable[2].type_text, "TLV-100");
    EXPECT_STREQ(SystemTable[2].firmware_text, "unknown");
    EXPECT_STREQ(SystemTable[3].type_text, "ab");
    EXPECT_STREQ(SystemTable[3].firmware_text, "c");
}

TEST_F(DiscoveryFrame, FieldLimitsAre243Characters) {
    const std::string t242(242, 'T'), t243(243, 'T'), f243(243, 'F'), f300(300, 'F');
    feed(reply_frame(identreply(t242 + " 1.0 ")));  // space at the last position looked at
    feed(reply_frame(identreply(t243 + " 1.0 ")));  // no space within 243: dropped
    feed(reply_frame(identreply("T " + f300 + " ")));
    feed(reply_frame(identreply("T " + f243)));     // ends with the captured data
    ASSERT_EQ(SystemCount, 3);
    EXPECT_EQ(std::string(SystemTable[0].type_text), t242);
    EXPECT_EQ(std::string(SystemTable[1].firmware_text), f243);
    EXPECT_EQ(std::string(SystemTable[2].firmware_text), f243);
}

TEST_F(DiscoveryFrame, OnlyTaggedIdentRepliesCount) {
    feed(reply_frame("@%_*_@TLDP IDENT"));  // the program's own request
    feed(reply_frame("@%_*_@TLDP IPADDR 198.51.100.20"));
    feed(reply_frame("@%_*_@TLDX IDENTREPLY <T F "));
    feed(reply_frame("@%_*_@TLDP IDENTREPLY T F "));
    feed(reply_frame("@%_*_@TLDP identreply <T F "));
    feed(reply_frame(""));
    EXPECT_EQ(SystemCount, 0);
}

TEST_F(DiscoveryFrame, SerialNumberIsTheMacsLastThreeBytes) {
    ReplyShape low, high;
    const uint8_t low_mac[6] = {0xaa, 0xbb, 0xcc, 0x00, 0x01, 0x2c};
    const uint8_t high_mac[6] = {0x00, 0x00, 0x00, 0xff, 0xff, 0xff};
    std::copy(low_mac, low_mac + 6, low.source_mac);
    std::copy(high_mac, high_mac + 6, high.source_mac);
    feed(reply_frame(identreply("T F "), low));
    feed(reply_frame(identreply("T F "), high));
    ASSERT_EQ(SystemCount, 2);
    EXPECT_STREQ(SystemTable[0].serial_text, "K-R 300");
    EXPECT_STREQ(SystemTable[1].serial_text, "K-R 16777215");
}

TEST_F(DiscoveryFrame, Ipv4OptionsMoveThePayload) {
    for (int words : {6, 7, 15}) {
        ReplyShape shape;
        shape.header_words = words;
        feed(reply_frame(identreply("TLV-Hub8 1.9.4 "), shape));
    }
    ASSERT_EQ(SystemCount, 3);
    EXPECT_EQ(SystemTable[0].reply_headers_length, 46);
    EXPECT_EQ(SystemTable[1].reply_headers_length, 50);
    EXPECT_EQ(SystemTable[2].reply_headers_length, 82);
    EXPECT_STREQ(SystemTable[2].type_text, "TLV-Hub8");
    EXPECT_STREQ(SystemTable[2].firmware_text, "1.9.4");
}

TEST_F(DiscoveryFrame, RepeatedAnswersAreAllListed) {
    const std::vector<uint8_t> frame = reply_frame(identreply("T F "));
    feed(frame);
    feed(frame);
    EXPECT_EQ(SystemCount, 2);
}

TEST_F(DiscoveryFrame, MalformedHeadersAreIgnored) {
    ReplyShape four;
    four.header_words = 4;  // the payload would sit at 38 if the length were trusted
    feed(reply_frame(identreply("T F "), four));
    ReplyShape one;
    one.header_words = 1;  // would put the payload at 26, where the source address is read
    feed(reply_frame(identreply("T F "), one));
    ReplyShape fifteen;
    fifteen.header_words = 15;
    const std::vector<uint8_t> long_header = reply_frame("", fifteen);
    feed(long_header, 81);  // one byte short of its own headers
    feed(reply_frame(identreply("T F ")), 33);  // shorter than the IPv4 source address
    feed(reply_frame(identreply("T F ")), 0);
    EXPECT_EQ(SystemCount, 0);
}

// Every cut of a valid answer: nothing is read past the cut, and an answer whose
// datagram was not captured whole is never listed, so no cut text is shown.
TEST_F(DiscoveryFrame, TruncatedAnswersAreNeverListed) {
    const std::vector<uint8_t> frame = reply_frame(identreply("TLV-100 3.1.0 tail"));
    for (size_t length = 0; length < frame.size(); ++length) {
        SystemRecord record;
        const FrameKind kind = read_answer_frame(frame.data(), length, nullptr, &record);
        EXPECT_NE(kind, FrameKind::Answer) << "cut at " << length;
        feed(frame, length);
    }
    EXPECT_EQ(SystemCount, 0);
    feed(frame);
    EXPECT_EQ(SystemCount, 1) << "the whole frame is an answer";
}

TEST_F(DiscoveryFrame, NulEndsTheText) {
    feed(reply_frame(identreply(std::string("TLV\0-100 3.1.0 ", 15))));  // before the type's space
    feed(reply_frame(identreply(std::string("TLV-100 3.1\0.0 ", 15))));
    ASSERT_EQ(SystemCount, 1);
    EXPECT_STREQ(SystemTable[0].firmware_text, "3.1");
}

bool terminated_within(const char* text, size_t width) {
    for (size_t i = 0; i < width; ++i)
        if (text[i] == '\0') return true;
    return false;
}

// Random frames, some with a valid start so the parser runs deep; the sanitizers
// watch every read, and every record must stay well formed.
TEST_F(DiscoveryFrame, RandomBytesNeverReadOutOfBounds) {
    std::mt19937 random(20240517);
    const std::vector<uint8_t> valid = reply_frame(identreply("TLV-100 3.1.0 "));
    for (int round = 0; round < 20000; ++round) {
        std::vector<uint8_t> frame(random() % 400);
        for (auto& byte : frame) byte = static_cast<uint8_t>(random() % 4 ? random() : ' ');
        if (round % 2 == 0) {
            for (size_t i = 0; i < frame.size() && i < 42 + 23; ++i) frame[i] = valid[i];
            if (frame.size() > 14) frame[14] = static_cast<uint8_t>(0x40 | (random() % 16));
        }
        feed(frame);
    }
    ASSERT_GT(SystemCount, 0) << "the seeded half should reach the parser's success path";
    for (int i = 0; i < SystemCount; ++i) {
        const SystemRecord& r = SystemTable[i];
        ASSERT_TRUE(terminated_within(r.type_text, sizeof r.type_text));
        ASSERT_TRUE(terminated_within(r.firmware_text, sizeof r.firmware_text));
        ASSERT_GE(r.reply_headers_length, 42);
        ASSERT_LE(r.reply_headers_length, 82);
    }
}

// Bytes after the datagram (Ethernet padding, anything) never become part of a text.
TEST_F(DiscoveryFrame, BytesAfterTheDatagramAreNotPartOfIt) {
    ReplyShape padded;
    padded.trailer = std::string(12, '\0');
    feed(reply_frame(identreply("TLV-100 3.1.0"), padded));  // the firmware ends with the datagram
    ReplyShape garbage;
    garbage.trailer = "XTRAILINGGARBAGE ";
    feed(reply_frame(identreply("TLV-100 3.0"), garbage));
    ASSERT_EQ(SystemCount, 2);
    EXPECT_STREQ(SystemTable[0].firmware_text, "3.1.0");
    EXPECT_STREQ(SystemTable[1].firmware_text, "3.0");
}

}  // namespace


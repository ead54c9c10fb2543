// What the core reads in a captured frame: the fields of an IDENTREPLY, and the
// answers no Talvo system can send.
#include "discovery/discovery_frame.h"
#include "support/reply_frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

TEST(ParseIdentReply, LeavesOutputAloneWhenItRefuses) {
    char type[IdentFieldSize] = "unknown", firmware[IdentFieldSize] = "unknown";
    const std::string no_space = "@%_*_@TLDP IDENTREPLY <TLV";
    EXPECT_EQ(parse_identreply(no_space.data(), no_space.size(), type, firmware), -1);
    const std::string short_text = "@%_*_@TLDP IDENTREPL";
    EXPECT_EQ(parse_identreply(short_text.data(), short_text.size(), type, firmware), -1);
    EXPECT_STREQ(type, "unknown");
    EXPECT_STREQ(firmware, "unknown");
    const std::string ok = "@%_*_@TLDP IDENTREPLY <A B ";
    EXPECT_EQ(parse_identreply(ok.data(), ok.size(), type, firmware), 0);
    EXPECT_STREQ(type, "A");
    EXPECT_STREQ(firmware, "B");
}

FrameKind kind_of(const std::vector<uint8_t>& frame, const uint8_t* own_ipv4 = nullptr) {
    SystemRecord record;
    return read_answer_frame(frame.data(), frame.size(), own_ipv4, &record);
}

ReplyShape from_address(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    ReplyShape shape;
    const uint8_t address[4] = {a, b, c, d};
    std::copy(address, address + 4, shape.source_ipv4);
    return shape;
}

ReplyShape from_mac(std::initializer_list<uint8_t> mac) {
    ReplyShape shape;
    std::copy(mac.begin(), mac.end(), shape.source_mac);
    return shape;
}

const std::string Answer = identreply("TLV-100 3.1.0 ");

// Acting on such an answer would send firmware or an address command where it must
// not go: to the PC itself, to loopback, to every host.
TEST(AnswerChecks, SourceAddressesNoSystemCanHaveAreRefused) {
    for (const ReplyShape& shape : {from_address(0, 0, 0, 0), from_address(0, 1, 2, 3), from_address(127, 0, 0, 1),
                                    from_address(127, 9, 9, 9), from_address(224, 0, 0, 1),
                                    from_address(239, 255, 255, 250), from_address(240, 0, 0, 1),
                                    from_address(255, 255, 255, 255)}) {
        const uint8_t* a = shape.source_ipv4;
        EXPECT_EQ(kind_of(reply_frame(Answer, shape)), FrameKind::Refused)
            << int(a[0]) << "." << int(a[1]) << "." << int(a[2]) << "." << int(a[3]);
    }
    for (const ReplyShape& shape : {from_address(1, 0, 0, 1), from_address(126, 255, 255, 254),
                                    from_address(128, 0, 0, 1), from_address(223, 255, 255, 254)})
        EXPECT_EQ(kind_of(reply_frame(Answer, shape)), FrameKind::Answer) << int(shape.source_ipv4[0]);
}

TEST(AnswerChecks, AnAnswerFromThePcsOwnAddressIsRefused) {
    const uint8_t own[4] = {198, 51, 100, 15};
    const uint8_t other[4] = {198, 51, 100, 1};
    const uint8_t none[4] = {0, 0, 0, 0};
    const std::vector<uint8_t> frame = reply_frame(Answer);  // from 198.51.100.15
    EXPECT_EQ(kind_of(frame, own), FrameKind::Refused);
    EXPECT_EQ(kind_of(frame, other), FrameKind::Answer);
    EXPECT_EQ(kind_of(frame, none), FrameKind::Answer) << "an interface without an address owns none";
}

// An address change must never go to a group address.
TEST(AnswerChecks, GroupSourceMacsAreRefused) {
    EXPECT_EQ(kind_of(reply_frame(Answer, from_mac({0xff, 0xff, 0xff, 0xff, 0xff, 0xff}))), FrameKind::Refused);
    EXPECT_EQ(kind_of(reply_frame(Answer, from_mac({0x01, 0x00, 0x5e, 0x00, 0x00, 0x01}))), FrameKind::Refused);
    EXPECT_EQ(kind_of(reply_frame(Answer, from_mac({0x33, 0x33, 0x00, 0x00, 0x00, 0x01}))), FrameKind::Refused);
    EXPECT_EQ(kind_of(reply_frame(Answer, from_mac({0x00, 0x1b, 0x21, 0x0a, 0x0b, 0x0c}))), FrameKind::Answer);
}

TEST(AnswerChecks, LengthsThatDisagreeWithTheCapturedBytesAreRefused) {
    const size_t true_total = 20 + 8 + Answer.size();
    ReplyShape longer;
    longer.total_length = static_cast<int>(true_total + 1);  // more than was captured
    ReplyShape below_headers;
    below_headers.total_length = 27;
    ReplyShape udp_short;
    udp_short.udp_length = static_cast<int>(8 + Answer.size() - 3);
    ReplyShape udp_long;
    udp_long.udp_length = static_cast<int>(8 + Answer.size() + 1);
    for (const ReplyShape& shape : {longer, below_headers, udp_short, udp_long})
        EXPECT_EQ(kind_of(reply_frame(Answer, shape)), FrameKind::Refused)
            << "total " << shape.total_length << " udp " << shape.udp_length;
    ReplyShape shorter_with_trailer;  // the datagram ends before the captured bytes do
    shorter_with_trailer.trailer = "more";
    EXPECT_EQ(kind_of(reply_frame(Answer, shorter_with_trailer)), FrameKind::Answer);
}

// A capture keeps the first AnswerSnapshotLength bytes of each frame: an answer longer
// than that (further words after its fields) is still an answer, its fields whole. A
// frame cut shorter than that is not trusted.
TEST(AnswerChecks, AnswersLongerThanTheSnapshotKeepTheirFields) {
    const std::vector<uint8_t> frame = reply_frame(identreply("TLV-100 3.1.0 " + std::string(1300, 'w')));
    ASSERT_GT(frame.size(), AnswerSnapshotLength);
    SystemRecord record;
    ASSERT_EQ(read_answer_frame(frame.data(), AnswerSnapshotLength, nullptr, &record, frame.size()),
              FrameKind::Answer);
    EXPECT_STREQ(record.type_text, "TLV-100");
    EXPECT_STREQ(record.firmware_text, "3.1.0");
    EXPECT_EQ(read_answer_frame(frame.data(), 600, nullptr, &record, frame.size()), FrameKind::Refused);
    EXPECT_EQ(read_answer_frame(frame.data(), AnswerSnapshotLength, nullptr, &record), FrameKind::Refused)
        << "captured bytes alone that end before the datagram";
}

TEST(AnswerChecks, OnlyIdentRepliesAreAnswers) {
    EXPECT_EQ(kind_of(reply_frame("@%_*_@TLDP IDENT")), FrameKind::Other);
    EXPECT_EQ(kind_of(reply_frame("measurement data")), FrameKind::Other);
    EXPECT_EQ(kind_of(reply_frame(identreply("no-space-in-the-first-field"))), FrameKind::Refused);
    EXPECT_EQ(kind_of(reply_frame(Answer)), FrameKind::Answer);
}

}  // namespace

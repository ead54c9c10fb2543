// The send filter that drops gSOAP's "\r\n" after the Envelope's end tag, fed the way
// the runtime flushes its buffer.
#include "update/envelope_trailer_filter.h"

#include <stdsoap2.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Sent;

int capture(struct soap*, const char* data, size_t n) {
    Sent.append(data, n);
    return SOAP_OK;
}

class TrailerFilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        Sent.clear();
        soap_ = soap_new();
        ASSERT_NE(soap_, nullptr);
        soap_->fsend = capture;
        install_trailer_filter(soap_, &filter_);
    }
    void TearDown() override { soap_free(soap_); }
    void send(const std::string& block) { ASSERT_EQ(soap_->fsend(soap_, block.data(), block.size()), SOAP_OK); }

    struct soap* soap_ = nullptr;
    TrailerFilter filter_;
};

}  // namespace

TEST_F(TrailerFilterTest, DropsTheLineEndAfterTheEnvelope) {
    send("<a></a>\r\n");
    EXPECT_EQ(Sent, "<a></a>");
}

TEST_F(TrailerFilterTest, DropsALineEndSplitAcrossTwoBlocks) {
    send("<a></a>\r");
    send("\n");
    EXPECT_EQ(Sent, "<a></a>");
}

TEST_F(TrailerFilterTest, PassesOnWhatItHeldWhenMoreFollows) {
    send("x\r");
    send("y");
    send("z\r\n");
    send("w");
    EXPECT_EQ(Sent, "x\ryz\r\nw");
}

TEST_F(TrailerFilterTest, ANewMessageForgetsTheLastOnesTrailer) {
    send("<a/>\r\n");
    trailer_filter_new_message(&filter_);
    send("<b/>\r\n");
    EXPECT_EQ(Sent, "<a/><b/>");
}

TEST_F(TrailerFilterTest, OtherEndingsPassUnchanged) {
    send("abc\n");
    send("def");
    EXPECT_EQ(Sent, "abc\ndef");
}

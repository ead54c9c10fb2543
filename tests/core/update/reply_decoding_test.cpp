// Replies as systems may write them, read by the real generated client.
#include "support/loopback.h"
#include "support/scripted_peer.h"
#include "support/soap_texts.h"
#include "update/device_calls.h"
#include "update/device_connection.h"

#include <stdsoap2.h>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct Outcome {
    int status = -1;
    DeviceReply reply;
};

// One closing FirmwareUpdate call answered by `answer`.
Outcome firmware_call(const std::string& answer) {
    ScriptedPeer peer({answer});
    Outcome outcome;
    if (peer.address().empty()) return outcome;
    DeviceConnection connection;
    if (connection.open(peer.address().c_str()) != 0) return outcome;
    outcome.status = call_firmware_update(connection, nullptr, 0, 1, outcome.reply);
    return outcome;
}

std::string byte_array_response(const std::string& children) {
    return reply("<p:ByteArrayResponse>" + children + "</p:ByteArrayResponse>");
}

const std::string Response34 = "<sResponse><iReturnValue>3</iReturnValue><syserrno>4</syserrno></sResponse>";
const std::string ArrayOk = "<sArray i:type=\"enc:Array\" enc:arrayType=\"d:unsignedByte[2]\">"
                            "<item>79</item><item>75</item></sArray>";

}  // namespace

TEST(ReplyDecoding, InSchemaOrder) {
    const Outcome o = firmware_call(byte_array_response(Response34 + ArrayOk));
    ASSERT_EQ(o.status, 0);
    EXPECT_EQ(o.reply.iReturnValue, 3);
    EXPECT_EQ(o.reply.syserrno, 4);
    EXPECT_EQ(o.reply.text, "OK");
}

TEST(ReplyDecoding, ChildrenInAnotherOrderAndExtraChildrenDecodeTheSame) {
    const Outcome o = firmware_call(byte_array_response(
        "<extra>9</extra>" + ArrayOk +
        "<sResponse><syserrno>4</syserrno><other>1</other><iReturnValue>3</iReturnValue></sResponse>"));
    ASSERT_EQ(o.status, 0);
    EXPECT_EQ(o.reply.iReturnValue, 3);
    EXPECT_EQ(o.reply.syserrno, 4);
    EXPECT_EQ(o.reply.text, "OK");
}

TEST(ReplyDecoding, MissingChildrenStayZero) {
    const Outcome o = firmware_call(byte_array_response("<sResponse><syserrno>4</syserrno></sResponse>"));
    ASSERT_EQ(o.status, 0);
    EXPECT_EQ(o.reply.iReturnValue, 0);
    EXPECT_EQ(o.reply.syserrno, 4);
    EXPECT_EQ(o.reply.text, "");
}

TEST(ReplyDecoding, ArrayWithoutArrayTypeTakesEveryItem) {
    const Outcome o = firmware_call(byte_array_response(
        Response34 + "<sArray><item>102</item><item>108</item><item>97</item><item>115</item>"
                     "<item>104</item></sArray>"));
    ASSERT_EQ(o.status, 0);
    EXPECT_EQ(o.reply.text, "flash");
}

TEST(ReplyDecoding, ArrayTypeCountFixesTheBytesAndPositionsPlaceThem) {
    // Four bytes declared, two given at positions 1 and 0: "AB" then zeros.
    const Outcome o = firmware_call(byte_array_response(
        Response34 + "<sArray i:type=\"enc:Array\" enc:arrayType=\"d:unsignedByte[4]\">"
                     "<item enc:position=\"[1]\">66</item><item enc:position=\"[0]\">65</item></sArray>"));
    ASSERT_EQ(o.status, 0);
    EXPECT_EQ(o.reply.text, "AB");
}

TEST(ReplyDecoding, TextEndsAtTheFirstZeroByteAndNeverPassesTheCount) {
    const Outcome zero = firmware_call(byte_array_response(
        Response34 + "<sArray enc:arrayType=\"d:unsignedByte[4]\"><item>104</item><item>105</item>"
                     "<item>0</item><item>33</item></sArray>"));
    ASSERT_EQ(zero.status, 0);
    EXPECT_EQ(zero.reply.text, "hi");
    const Outcome unterminated = firmware_call(byte_array_response(
        Response34 + "<sArray enc:arrayType=\"d:unsignedByte[3]\"><item>97</item><item>98</item>"
                     "<item>99</item></sArray>"));
    ASSERT_EQ(unterminated.status, 0);
    EXPECT_EQ(unterminated.reply.text, "abc");
}

TEST(ReplyDecoding, HttpResponseHeaderBeforeTheEnvelopeIsAccepted) {
    const std::string envelope = byte_array_response(Response34 + ArrayOk);
    const std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=utf-8\r\n"
                               "Content-Length: " + std::to_string(envelope.size()) + "\r\n\r\n" + envelope;
    ScriptedPeer peer({answer, answer});
    ASSERT_FALSE(peer.address().empty());
    DeviceConnection connection;
    ASSERT_EQ(connection.open(peer.address().c_str()), 0);
    for (int call = 0; call < 2; ++call) {  // and the connection serves the next call
        DeviceReply r;
        ASSERT_EQ(call_firmware_update(connection, nullptr, 0, 1, r), 0) << "call " << call;
        EXPECT_EQ(r.iReturnValue, 3);
        EXPECT_EQ(r.text, "OK");
    }
    EXPECT_EQ(peer.connections(), 1);
}

TEST(ReplyDecoding, Soap12EnvelopeIsAccepted) {
    const Outcome o = firmware_call(
        "<env:Envelope xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\" xmlns:p=\"" TEST_SCHEMA_URI(
            "TLCommonPrivate.xsd") "\"><env:Body><p:ByteArrayResponse>" + Response34 +
        "</p:ByteArrayResponse></env:Body></env:Envelope>");
    ASSERT_EQ(o.status, 0);
    EXPECT_EQ(o.reply.iReturnValue, 3);
}

TEST(ReplyDecoding, SoapFaultGivesNonZeroStatusAndAZeroRecord) {
    ScriptedPeer peer({byte_array_response(Response34 + ArrayOk), fault_reply("flash busy")});
    ASSERT_FALSE(peer.address().empty());
    DeviceConnection connection;
    ASSERT_EQ(connection.open(peer.address().c_str()), 0);
    DeviceReply r;
    ASSERT_EQ(call_firmware_update(connection, nullptr, 0, 1, r), 0);
    ASSERT_EQ(r.iReturnValue, 3);  // the record held values before the faulty call
    EXPECT_NE(call_firmware_update(connection, nullptr, 0, 1, r), 0);
    EXPECT_EQ(r.iReturnValue, 0);
    EXPECT_EQ(r.syserrno, 0);
    EXPECT_EQ(r.text, "");
    EXPECT_STREQ(*soap_faultstring(connection.context()), "flash busy");
}

TEST(ReplyDecoding, ReplyElementOfAnotherOperationIsRejected) {
    const Outcome o = firmware_call(reboot_reply(0, 0));
    EXPECT_NE(o.status, 0);
    EXPECT_EQ(o.reply.iReturnValue, 0);
}

TEST(ReplyDecoding, RebootReplyIsReadFromTheResponseElement) {
    ScriptedPeer peer({reboot_reply(2, 28)});
    ASSERT_FALSE(peer.address().empty());
    DeviceConnection connection;
    ASSERT_EQ(connection.open(peer.address().c_str()), 0);
    DeviceReply r;
    ASSERT_EQ(call_force_reboot(connection, r), 0);
    EXPECT_EQ(r.iReturnValue, 2);
    EXPECT_EQ(r.syserrno, 28);
}

// The peer closes instead of answering: the call fails, and so does every later call,
// without a new connection.
TEST(ReplyDecoding, PeerClosingTheConnectionFailsThisCallAndAllLaterOnes) {
    ScriptedPeer peer({""});
    ASSERT_FALSE(peer.address().empty());
    DeviceConnection connection;
    ASSERT_EQ(connection.open(peer.address().c_str()), 0);
    DeviceReply r;
    EXPECT_NE(call_firmware_update(connection, nullptr, 0, 1, r), 0);
    EXPECT_NE(call_get_module_type(connection, r), 0);
    EXPECT_NE(call_force_reboot(connection, r), 0);
    EXPECT_EQ(peer.connections(), 1);
}

// The reply and the chunk copy are released after each call; the connection stays.
TEST(ReplyDecoding, ContextMemoryIsReleasedAfterEachCall) {
    ScriptedPeer peer({byte_array_response(Response34 + ArrayOk), byte_array_response(Response34 + ArrayOk)});
    ASSERT_FALSE(peer.address().empty());
    DeviceConnection connection;
    ASSERT_EQ(connection.open(peer.address().c_str()), 0);
    for (int call = 0; call < 2; ++call) {
        auto* chunk = static_cast<unsigned char*>(soap_malloc(connection.context(), 1000));
        ASSERT_NE(chunk, nullptr);
        std::fill(chunk, chunk + 1000, 7);
        DeviceReply r;
        ASSERT_EQ(call_firmware_update(connection, chunk, 1000, 0, r), 0);
        EXPECT_EQ(r.text, "OK");  // copied out before the release
        EXPECT_EQ(connection.context()->alist, nullptr) << "call " << call;
    }
    EXPECT_EQ(peer.connections(), 1);
}

// The system is gone before a chunk is written: writing to the closed connection is an
// error of the call, not a SIGPIPE that ends the program.
TEST(ReplyDecoding, ChunkToAClosedConnectionIsAnErrorNotASignal) {
    int listener = -1;
    const std::string address = claim_loopback_address([&](const std::string& candidate) {
        listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in where{};
        where.sin_family = AF_INET;
        where.sin_port = htons(5555);
        inet_pton(AF_INET, candidate.c_str(), &where.sin_addr);
        if (bind(listener, reinterpret_cast<sockaddr*>(&where), sizeof where) == 0 && listen(listener, 1) == 0) return 0;
        close(listener);
        return -1;
    });
    ASSERT_FALSE(address.empty());
    std::thread closer([listener] { close(accept(listener, nullptr, nullptr)); });
    DeviceConnection connection;
    ASSERT_EQ(connection.open(address.c_str()), 0);
    closer.join();
    close(listener);
    std::vector<unsigned char> chunk(65535, 0xAA);
    DeviceReply r;
    EXPECT_NE(call_firmware_update(connection, chunk.data(), 65535, 0, r), 0);
    EXPECT_NE(call_firmware_update(connection, chunk.data(), 65535, 0, r), 0);
}

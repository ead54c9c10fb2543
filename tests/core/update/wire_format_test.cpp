// Requests captured from the real generated client on a loopback connection, compared
// byte for byte with the texts the systems expect.
#include "soapH.h"
#include "support/scripted_peer.h"
#include "support/soap_texts.h"
#include "update/device_calls.h"
#include "update/device_connection.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Capture {
    std::string bytes;
    int status = -1;
    DeviceReply reply;
};

// Opens a connection to a peer answering `answer`, makes one call and closes.
template <typename Call>
Capture capture_one(const std::string& answer, Call call) {
    ScriptedPeer peer({answer});
    Capture capture;
    if (peer.address().empty()) return capture;
    {
        DeviceConnection connection;
        if (connection.open(peer.address().c_str()) != 0) return capture;
        capture.status = call(connection, capture.reply);
    }
    capture.bytes = peer.received();
    return capture;
}

const std::string FirmwareUpdateOpen = "<TLCommonPrivate:FirmwareUpdate>";
const std::string FirmwareUpdateClose = "</TLCommonPrivate:FirmwareUpdate>";
const std::string MmcSignature =
    "<index>0</index><Signature><ulValue xsi:type=\"SOAP-ENC:Array\""
    " SOAP-ENC:arrayType=\"xsd:unsignedByte[16]\"><item>0</item><item>0</item><item>0</item>"
    "<item>0</item><item>0</item><item>0</item><item>0</item><item>0</item><item>0</item>"
    "<item>0</item><item>0</item><item>0</item><item>0</item><item>0</item><item>0</item>"
    "<item>0</item></ulValue></Signature>";

}  // namespace

TEST(WireFormat, ChunkOfThreeBytesCarriesOffsetArrayTypeAndOneItemPerByte) {
    unsigned char bytes[] = {0x00, 0x7F, 0xFF};
    const Capture c = capture_one(private_reply(0), [&](DeviceConnection& d, DeviceReply& r) {
        return call_firmware_update(d, bytes, 3, 0, r);
    });
    ASSERT_EQ(c.status, 0);
    EXPECT_EQ(c.bytes, request(FirmwareUpdateOpen +
                               "<pByteArrayInput xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:offset=\"[0]\""
                               " SOAP-ENC:arrayType=\"xsd:unsignedByte[3]\"><item>0</item>"
                               "<item>127</item><item>255</item></pByteArrayInput><ulEOF>0</ulEOF>" +
                               FirmwareUpdateClose));
}

TEST(WireFormat, ResetUploadSendsAnEmptyArrayElementAndEofOne) {
    const Capture c = capture_one(private_reply(1), [](DeviceConnection& d, DeviceReply& r) {
        return call_firmware_update_empty(d, 1, r);
    });
    ASSERT_EQ(c.status, 0);  // refused, as expected
    EXPECT_EQ(c.bytes, request(FirmwareUpdateOpen + "<pByteArrayInput></pByteArrayInput><ulEOF>1</ulEOF>" +
                               FirmwareUpdateClose));
}

TEST(WireFormat, ClosingCallHoldsOnlyEofOne) {
    const Capture c = capture_one(private_reply(0), [](DeviceConnection& d, DeviceReply& r) {
        return call_firmware_update(d, nullptr, 0, 1, r);
    });
    ASSERT_EQ(c.status, 0);
    EXPECT_EQ(c.bytes, request(FirmwareUpdateOpen + "<ulEOF>1</ulEOF>" + FirmwareUpdateClose));
}

TEST(WireFormat, MmcChunkIsBase64WithoutLineBreaksAfterAZeroSignature) {
    std::vector<unsigned char> bytes(100);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 7);
    // 100 bytes give 136 characters, beyond the 76 after which MIME would break a line.
    const std::string base64 =
        "AAcOFRwjKjE4P0ZNVFtiaXB3foWMk5qhqK+2vcTL0tng5+71/AMKERgfJi00O0JJUFdeZWxzeoGIj5adpKuy"
        "ucDHztXc4+rx+P8GDRQbIikwNz5FTFNaYWhvdn2Ei5KZoKeutQ==";
    const Capture c = capture_one(private_reply(0), [&](DeviceConnection& d, DeviceReply& r) {
        return call_mmc_update(d, bytes.data(), 100, 0, r);
    });
    ASSERT_EQ(c.status, 0);
    EXPECT_EQ(c.bytes, request("<TLCommonPrivate:MMCUpdate>" + MmcSignature + "<pByteArrayInput>" +
                               base64 + "</pByteArrayInput><ulEOF>0</ulEOF></TLCommonPrivate:MMCUpdate>"));
}

TEST(WireFormat, MmcClosingCallHasAnEmptyBase64Element) {
    const Capture c = capture_one(private_reply(0), [](DeviceConnection& d, DeviceReply& r) {
        return call_mmc_update(d, nullptr, 0, 1, r);
    });
    ASSERT_EQ(c.status, 0);
    EXPECT_EQ(c.bytes, request("<TLCommonPrivate:MMCUpdate>" + MmcSignature +
                               "<pByteArrayInput></pByteArrayInput><ulEOF>1</ulEOF>"
                               "</TLCommonPrivate:MMCUpdate>"));
}

TEST(WireFormat, MmcValidateHoldsIndexZero) {
    const Capture c = capture_one(private_reply(0), [](DeviceConnection& d, DeviceReply& r) {
        return call_mmc_validate(d, r);
    });
    ASSERT_EQ(c.status, 0);
    EXPECT_EQ(c.bytes, request("<TLCommonPrivate:MMCValidate><index>0</index></TLCommonPrivate:MMCValidate>"));
}

TEST(WireFormat, ForceRebootIsEmpty) {
    const Capture c = capture_one(reboot_reply(0, 0), [](DeviceConnection& d, DeviceReply& r) {
        return call_force_reboot(d, r);
    });
    ASSERT_EQ(c.status, 0);
    EXPECT_EQ(c.bytes, request("<TLCommonPrivate:ForceReboot></TLCommonPrivate:ForceReboot>"));
}

TEST(WireFormat, GetModuleTypeIsEmpty) {
    const Capture c = capture_one(common_reply(), [](DeviceConnection& d, DeviceReply& r) {
        return call_get_module_type(d, r);
    });
    ASSERT_EQ(c.status, 0);
    EXPECT_EQ(c.bytes, request("<TLCommon:GetModuleType></TLCommon:GetModuleType>"));
    EXPECT_EQ(c.reply.text, "TL");
}

// A whole chunk crosses the runtime's 64 KB send buffer several times; every byte
// value appears.
TEST(WireFormat, FullChunkOf65535BytesIsExact) {
    std::vector<unsigned char> bytes(65535);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>((i * 131 + i / 256) & 0xFF);
    std::string items;
    for (unsigned char b : bytes) items += "<item>" + std::to_string(b) + "</item>";
    const Capture c = capture_one(private_reply(0), [&](DeviceConnection& d, DeviceReply& r) {
        return call_firmware_update(d, bytes.data(), 65535, 0, r);
    });
    ASSERT_EQ(c.status, 0);
    const std::string expected =
        request(FirmwareUpdateOpen +
                "<pByteArrayInput xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:offset=\"[0]\""
                " SOAP-ENC:arrayType=\"xsd:unsignedByte[65535]\">" +
                items + "</pByteArrayInput><ulEOF>0</ulEOF>" + FirmwareUpdateClose);
    ASSERT_EQ(c.bytes.size(), expected.size());
    EXPECT_TRUE(c.bytes == expected);
}

// Several calls on one connection: no bytes between the envelopes, no new connection.
TEST(WireFormat, CallsShareOneConnectionWithNothingBetweenEnvelopes) {
    ScriptedPeer peer({common_reply(), private_reply(1), private_reply(0), reboot_reply(0, 0)});
    ASSERT_FALSE(peer.address().empty());
    unsigned char byte = 42;
    {
        DeviceConnection connection;
        ASSERT_EQ(connection.open(peer.address().c_str()), 0);
        DeviceReply reply;
        ASSERT_EQ(call_get_module_type(connection, reply), 0);
        ASSERT_EQ(call_firmware_update_empty(connection, 1, reply), 0);
        ASSERT_EQ(call_firmware_update(connection, &byte, 1, 0, reply), 0);
        ASSERT_EQ(call_force_reboot(connection, reply), 0);
    }
    EXPECT_EQ(peer.received(),
              request("<TLCommon:GetModuleType></TLCommon:GetModuleType>") +
                  request(FirmwareUpdateOpen + "<pByteArrayInput></pByteArrayInput><ulEOF>1</ulEOF>" +
                          FirmwareUpdateClose) +
                  request(FirmwareUpdateOpen +
                          "<pByteArrayInput xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:offset=\"[0]\""
                          " SOAP-ENC:arrayType=\"xsd:unsignedByte[1]\"><item>42</item>"
                          "</pByteArrayInput><ulEOF>0</ulEOF>" + FirmwareUpdateClose) +
                  request("<TLCommonPrivate:ForceReboot></TLCommonPrivate:ForceReboot>"));
    EXPECT_EQ(peer.connections(), 1);
}

TEST(WireFormat, OpeningTheConnectionSendsNothing) {
    ScriptedPeer peer({});
    ASSERT_FALSE(peer.address().empty());
    {
        DeviceConnection connection;
        ASSERT_EQ(connection.open(peer.address().c_str()), 0);
    }
    EXPECT_EQ(peer.received(), "");
    EXPECT_EQ(peer.connections(), 1);
}

// The runtime first counts the whole message (the length HTTP would need); the item
// writer counts without writing, and must count what it then writes.
namespace {
size_t Counted = 0;
int record_count(struct soap* soap) {
    if (soap->mode & SOAP_IO_LENGTH) Counted = soap->count;
    return SOAP_OK;
}
}  // namespace

TEST(WireFormat, CountingPassAgreesWithTheBytesWritten) {
    std::vector<unsigned char> bytes(70000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>((i * 37) & 0xFF);
    ScriptedPeer peer({private_reply(0)});
    ASSERT_FALSE(peer.address().empty());
    {
        DeviceConnection connection;
        ASSERT_EQ(connection.open(peer.address().c_str()), 0);
        connection.context()->fpreparefinalsend = record_count;
        DeviceReply reply;
        Counted = 0;
        ASSERT_EQ(call_firmware_update(connection, bytes.data(), 70000, 0, reply), 0);
    }
    // The count includes the "\r\n" that the runtime appends and the connection drops.
    EXPECT_EQ(Counted, peer.received().size() + 2);
}

// The simulated system's reading of requests: framing of bare envelopes on a stream,
// and the form it insists on, which the tool's requests must have.
#include "device_service.h"
#include "request_reader.h"
#include "support/soap_texts.h"

#include <gtest/gtest.h>

using namespace talvo_sim;

namespace {

const std::string Chunk3 = request(
    "<TLCommonPrivate:FirmwareUpdate><pByteArrayInput xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:offset=\"[0]\""
    " SOAP-ENC:arrayType=\"xsd:unsignedByte[3]\"><item>0</item><item>127</item><item>255</item>"
    "</pByteArrayInput><ulEOF>0</ulEOF></TLCommonPrivate:FirmwareUpdate>");

std::vector<Request> read_all(const std::string& stream, size_t piece = 0) {
    RequestReader reader;
    if (piece == 0) piece = stream.size();
    for (size_t at = 0; at < stream.size(); at += piece)
        reader.feed(stream.data() + at, std::min(piece, stream.size() - at));
    std::vector<Request> requests;
    while (reader.has_request()) requests.push_back(reader.take());
    return requests;
}

std::string malformed(const std::string& body) {
    const auto requests = read_all(request(body));
    return requests.size() == 1 ? requests[0].malformed : "no single request";
}

}  // namespace

TEST(RequestReader, ReadsAChunkWhateverPiecesItArrivesIn) {
    for (size_t piece : {size_t{1}, size_t{7}, size_t{0}}) {
        const auto requests = read_all(Chunk3, piece);
        ASSERT_EQ(requests.size(), 1u) << piece;
        EXPECT_EQ(requests[0].malformed, "");
        EXPECT_EQ(requests[0].operation, Operation::FirmwareUpdate);
        EXPECT_EQ(requests[0].kind, RequestKind::Chunk);
        EXPECT_EQ(requests[0].bytes, (std::vector<uint8_t>{0, 127, 255}));
    }
}

TEST(RequestReader, TellsResetFromClosingCall) {
    const auto requests = read_all(
        request("<TLCommonPrivate:FirmwareUpdate><pByteArrayInput></pByteArrayInput><ulEOF>1</ulEOF>"
                "</TLCommonPrivate:FirmwareUpdate>") +
        request("<TLCommonPrivate:FirmwareUpdate><ulEOF>1</ulEOF></TLCommonPrivate:FirmwareUpdate>"));
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].kind, RequestKind::Reset);
    EXPECT_EQ(requests[1].kind, RequestKind::Closing);
}

TEST(RequestReader, ReadsMmcUpdateBase64AndSignature) {
    const auto requests = read_all(request(
        "<TLCommonPrivate:MMCUpdate><index>0</index><Signature><ulValue xsi:type=\"SOAP-ENC:Array\""
        " SOAP-ENC:arrayType=\"xsd:unsignedByte[16]\">" + std::string(16, ' ') +
        "</ulValue></Signature><pByteArrayInput>AH//</pByteArrayInput><ulEOF>0</ulEOF></TLCommonPrivate:MMCUpdate>"));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].malformed, "array holds 0 items, its arrayType says 16");
    std::string items;
    for (int i = 0; i < 16; ++i) items += "<item>" + std::to_string(i) + "</item>";
    const auto good = read_all(request(
        "<TLCommonPrivate:MMCUpdate><index>0</index><Signature><ulValue xsi:type=\"SOAP-ENC:Array\""
        " SOAP-ENC:arrayType=\"xsd:unsignedByte[16]\">" + items +
        "</ulValue></Signature><pByteArrayInput>AH//</pByteArrayInput><ulEOF>0</ulEOF></TLCommonPrivate:MMCUpdate>"));
    ASSERT_EQ(good.size(), 1u);
    EXPECT_EQ(good[0].malformed, "");
    EXPECT_EQ(good[0].bytes, (std::vector<uint8_t>{0, 127, 255}));
    EXPECT_EQ(good[0].signature[15], 15);
}

TEST(RequestReader, RefusesArraysWithoutTheirSoapEncodingAttributes) {
    EXPECT_EQ(malformed("<TLCommonPrivate:FirmwareUpdate><pByteArrayInput><item>1</item></pByteArrayInput>"
                        "<ulEOF>0</ulEOF></TLCommonPrivate:FirmwareUpdate>"),
              "array items without xsi:type and SOAP-ENC:arrayType");
    EXPECT_EQ(malformed("<TLCommonPrivate:FirmwareUpdate><pByteArrayInput SOAP-ENC:arrayType=\"xsd:unsignedByte[1]\">"
                        "<item>1</item></pByteArrayInput><ulEOF>0</ulEOF></TLCommonPrivate:FirmwareUpdate>"),
              "array without xsi:type=\"SOAP-ENC:Array\"");
    EXPECT_EQ(malformed("<TLCommonPrivate:FirmwareUpdate><pByteArrayInput xsi:type=\"SOAP-ENC:Array\""
                        " SOAP-ENC:arrayType=\"xsd:unsignedByte[2]\"><item>1</item></pByteArrayInput>"
                        "<ulEOF>0</ulEOF></TLCommonPrivate:FirmwareUpdate>"),
              "array holds 1 items, its arrayType says 2");
}

TEST(RequestReader, RefusesChildrenOutOfOrderPrefixedOrUnknown) {
    EXPECT_EQ(malformed("<TLCommonPrivate:FirmwareUpdate><ulEOF>1</ulEOF><pByteArrayInput></pByteArrayInput>"
                        "</TLCommonPrivate:FirmwareUpdate>"),
              "child out of order or repeated: pByteArrayInput");
    EXPECT_EQ(malformed("<TLCommonPrivate:FirmwareUpdate><TLCommonPrivate:ulEOF>1</TLCommonPrivate:ulEOF>"
                        "</TLCommonPrivate:FirmwareUpdate>"),
              "child with a prefix: TLCommonPrivate:ulEOF");
    EXPECT_EQ(malformed("<TLCommonPrivate:MMCValidate><index>0</index><extra>1</extra></TLCommonPrivate:MMCValidate>"),
              "unexpected child extra");
}

TEST(RequestReader, MatchesOperationsByNamespaceUri) {
    const auto other_prefix = read_all(
        "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body>"
        "<q:ForceReboot xmlns:q=\"" TEST_SCHEMA_URI("TLCommonPrivate.xsd") "\"/></e:Body></e:Envelope>");
    ASSERT_EQ(other_prefix.size(), 1u);
    EXPECT_EQ(other_prefix[0].malformed, "");
    EXPECT_EQ(other_prefix[0].operation, Operation::ForceReboot);
    EXPECT_EQ(malformed("<TLCommon:ForceReboot></TLCommon:ForceReboot>"),
              "unknown operation {" TEST_SCHEMA_URI("TLCommon.xsd") "}ForceReboot");
}

TEST(RequestReader, CountsBytesOutsideEnvelopesButNotTheProlog) {
    RequestReader reader;
    const std::string stream = Chunk3 + "\r\n" + Chunk3;
    reader.feed(stream.data(), stream.size());
    EXPECT_EQ(reader.stray_bytes(), 2u);
    reader.feed("\r\n", 2);  // waiting after the last envelope counts too
    EXPECT_EQ(reader.stray_bytes(), 4u);
    EXPECT_EQ(read_all(Chunk3 + Chunk3).size(), 2u);
}

TEST(FirmwareText, ComesFromTheImageHeadOrItsHash) {
    const std::string head = "TALVOFW 5.2.1-rc3\nrest of the image";
    EXPECT_EQ(firmware_text_of(std::vector<uint8_t>(head.begin(), head.end())), "5.2.1-rc3");
    EXPECT_EQ(firmware_text_of({}), "image-811c9dc5");  // FNV-1a of nothing
    EXPECT_EQ(firmware_text_of({'a'}), "image-e40c292c");
}

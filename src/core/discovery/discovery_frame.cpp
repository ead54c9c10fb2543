#include "discovery/discovery_frame.h"

#include "wire/device_address.h"
#include "wire/discovery_protocol.h"
#include "wire/dotted_decimal.h"
#include "wire/frame_layout.h"
#include "wire/text_field.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t FirstFieldOffset = DiscoveryTagLength + IdentReplyWordLength;  // 23

// Characters of the field at start before the first space, NUL or end of data,
// looking at no more than IdentFieldLimit of them; *ended_by_space tells which ended it.
size_t field_length(const char* payload, size_t length, size_t start, bool* ended_by_space) {
    size_t n = 0;
    *ended_by_space = false;
    for (; n < IdentFieldLimit && start + n < length; ++n) {
        const char c = payload[start + n];
        if (c == '\0') break;
        if (c == ' ') {
            *ended_by_space = true;
            break;
        }
    }
    return n;
}

void replace_if_not_empty(char* out, const char* field, size_t n) {
    if (n == 0) return;
    std::memcpy(out, field, n);
    out[n] = '\0';
}

}  // namespace

int32_t parse_identreply(const char* payload, size_t length, char* type, char* firmware) {
    if (length < FirstFieldOffset ||
        std::memcmp(payload + DiscoveryTagLength, IdentReplyWord, IdentReplyWordLength) != 0)
        return -1;
    bool spaced = false;
    const size_t type_length = field_length(payload, length, FirstFieldOffset, &spaced);
    if (!spaced) return -1;
    const size_t second = FirstFieldOffset + type_length + 1;
    const size_t firmware_length = field_length(payload, length, second, &spaced);
    replace_if_not_empty(type, payload + FirstFieldOffset, type_length);
    replace_if_not_empty(firmware, payload + second, firmware_length);
    return 0;
}

namespace {

// Where the UDP payload lies in a captured frame.
struct PayloadSpan {
    size_t offset = 0;      // 0 when the frame is too short for its headers
    size_t captured = 0;    // payload bytes captured
    bool lengths_agree = false;
    size_t datagram = 0;    // payload bytes of the datagram that were captured, when the lengths agree
};

// The IPv4 total length bounds the datagram: bytes after it (Ethernet padding or
// anything else) are not part of it. It must fit the frame on the wire, and the UDP
// length must say the same.
PayloadSpan locate_payload(const uint8_t* frame, size_t captured_length, size_t wire_length) {
    PayloadSpan span;
    if (captured_length < Ipv4HeaderOffset + Ipv4MinimumHeaderLength) return span;
    const size_t ip_header = 4 * static_cast<size_t>(frame[Ipv4HeaderOffset] & 0x0F);
    if (ip_header < Ipv4MinimumHeaderLength) return span;
    const size_t offset = EthernetHeaderLength + ip_header + UdpHeaderLength;
    if (offset > captured_length) return span;
    span.offset = offset;
    span.captured = captured_length - offset;
    const size_t total = get16(frame + Ipv4HeaderOffset + Ipv4TotalLengthAt);
    const size_t udp = get16(frame + EthernetHeaderLength + ip_header + UdpLengthAt);
    span.lengths_agree = total >= ip_header + UdpHeaderLength &&
                         EthernetHeaderLength + total <= wire_length && udp == total - ip_header;
    if (span.lengths_agree) span.datagram = std::min(udp - UdpHeaderLength, span.captured);
    return span;
}

bool tagged(const char* payload, size_t length) {
    return length >= DiscoveryTagLength && std::memcmp(payload, DiscoveryTag, DiscoveryTagLength) == 0;
}

bool identreply_word(const char* payload, size_t length) {
    return length >= FirstFieldOffset &&
           std::memcmp(payload + DiscoveryTagLength, IdentReplyWord, IdentReplyWordLength) == 0;
}

// A system answers from its own unicast MAC and an address a device can have, never
// from the PC's own address.
bool plausible_source(const uint8_t* frame, const uint8_t* own_ipv4) {
    const uint8_t* mac = frame + EthernetSourceOffset;
    const uint8_t* ipv4 = frame + Ipv4SourceOffset;
    if (mac[0] & 0x01) return false;  // broadcast or multicast
    if (!device_can_have_address(ipv4)) return false;
    const bool own_known = own_ipv4 != nullptr && (own_ipv4[0] | own_ipv4[1] | own_ipv4[2] | own_ipv4[3]) != 0;
    return !(own_known && std::memcmp(ipv4, own_ipv4, 4) == 0);
}

// The serial number: the last three bytes of the Ethernet source address.
void format_serial(const uint8_t* frame, char* out, size_t out_size) {
    const uint8_t* mac = frame + EthernetSourceOffset;
    const long n = static_cast<long>(mac[3]) << 16 | static_cast<long>(mac[4]) << 8 | mac[5];
    std::snprintf(out, out_size, "K-R %ld", n);
}

void fill_record(const uint8_t* frame, size_t header_length, const char* type, const char* firmware,
                 SystemRecord* out) {
    std::memset(out, 0, sizeof *out);
    std::memcpy(out->ipv4, frame + Ipv4SourceOffset, 4);
    format_dotted_decimal(out->ipv4, out->ip_text, sizeof out->ip_text);
    copy_text_field(out->type_text, sizeof out->type_text, type);
    copy_text_field(out->firmware_text, sizeof out->firmware_text, firmware);
    format_serial(frame, out->serial_text, sizeof out->serial_text);
    std::memcpy(out->reply_headers, frame, header_length);
    out->reply_headers_length = static_cast<int32_t>(header_length);
}

}  // namespace

FrameKind read_answer_frame(const uint8_t* frame, size_t captured_length, const uint8_t* own_ipv4,
                            SystemRecord* out, size_t wire_length) {
    // A capture keeps the whole frame, or at least its first AnswerSnapshotLength bytes.
    const bool whole = wire_length <= captured_length || captured_length < AnswerSnapshotLength;
    const PayloadSpan span = locate_payload(frame, captured_length, whole ? captured_length : wire_length);
    if (span.offset == 0) return FrameKind::Other;
    const char* payload = reinterpret_cast<const char*>(frame + span.offset);
    if (!tagged(payload, span.captured) || !identreply_word(payload, span.captured)) return FrameKind::Other;
    if (!span.lengths_agree || !plausible_source(frame, own_ipv4)) return FrameKind::Refused;

    char type[IdentFieldSize] = "unknown";
    char firmware[IdentFieldSize] = "unknown";
    if (parse_identreply(payload, span.datagram, type, firmware) != 0) return FrameKind::Refused;
    fill_record(frame, span.offset, type, firmware, out);
    return FrameKind::Answer;
}

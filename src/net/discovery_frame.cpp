#include "net/discovery_frame.h"

#include "net/discovery_protocol.h"
#include "net/dotted_decimal.h"
#include "net/system_table.h"

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

// Offset of the UDP payload, or 0 when the frame is too short for its headers.
size_t payload_offset(const uint8_t* frame, size_t captured_length) {
    if (captured_length < Ipv4HeaderOffset + Ipv4MinimumHeaderLength) return 0;
    const size_t words = frame[Ipv4HeaderOffset] & 0x0F;
    if (words < 5) return 0;
    const size_t offset = EthernetHeaderLength + 4 * words + UdpHeaderLength;
    return offset <= captured_length ? offset : 0;
}

// The serial number: the last three bytes of the Ethernet source address.
void format_serial(const uint8_t* frame, char* out, size_t out_size) {
    const uint8_t* mac = frame + EthernetSourceOffset;
    const long n = static_cast<long>(mac[3]) << 16 | static_cast<long>(mac[4]) << 8 | mac[5];
    std::snprintf(out, out_size, "K-R %ld", n);
}

}  // namespace

void handle_discovery_frame(const uint8_t* frame, size_t captured_length) {
    const size_t header_length = payload_offset(frame, captured_length);
    if (header_length == 0) return;
    const char* payload = reinterpret_cast<const char*>(frame + header_length);
    const size_t payload_length = captured_length - header_length;
    if (payload_length < DiscoveryTagLength ||
        std::memcmp(payload, DiscoveryTag, DiscoveryTagLength) != 0)
        return;

    const uint8_t* ipv4 = frame + Ipv4SourceOffset;
    char ip_text[DottedDecimalSize];
    format_dotted_decimal(ipv4, ip_text, sizeof ip_text);
    char type[IdentFieldSize] = "unknown";
    char firmware[IdentFieldSize] = "unknown";
    char serial[32];
    format_serial(frame, serial, sizeof serial);
    if (parse_identreply(payload, payload_length, type, firmware) != 0) return;

    if (add_system_to_internal(type, firmware, static_cast<int32_t>(header_length), frame,
                               ip_text, serial, ipv4) != 0)
        std::printf("add_system_to_internal error\n");
}

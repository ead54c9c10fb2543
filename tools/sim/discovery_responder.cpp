#include "discovery_responder.h"

#include "wire/discovery_protocol.h"
#include "wire/udp_frame.h"

#include <cstring>
#include <string>

namespace {

bool is_ident(const UdpView& view) {
    constexpr size_t n = sizeof IdentRequest - 1;
    if (view.payload_length < n || std::memcmp(view.payload, IdentRequest, n) != 0) return false;
    // Only NUL padding may follow the request.
    for (size_t i = n; i < view.payload_length; ++i)
        if (view.payload[i] != '\0') return false;
    return true;
}

// The IPADDR fields after the tag and the word, or nullptr when it is no IPADDR.
const char* ipaddr_fields(const UdpView& view, size_t* length) {
    const std::string prefix = std::string(DiscoveryTag) + IpAddrWord;
    if (view.payload_length < prefix.size() ||
        std::memcmp(view.payload, prefix.data(), prefix.size()) != 0)
        return nullptr;
    size_t n = view.payload_length - prefix.size();
    while (n > 0 && view.payload[prefix.size() + n - 1] == '\0') --n;  // padding
    *length = n;
    return view.payload + prefix.size();
}

int32_t build_identreply(const UdpView& request, const SimIdentity& me, uint8_t* reply) {
    const std::string text = std::string(DiscoveryTag) + IdentReplyWord + me.type + " " +
                             me.firmware + " ";
    // Answer from the port the request went to, to the port it came from.
    const UdpEndpoints ends{me.mac, request.source_mac, me.ipv4, request.source_ipv4,
                            request.destination_port, request.source_port};
    return build_udp_frame(reply, ReplyBufferSize, text.c_str(), ends);
}

}  // namespace

bool parse_ipaddr_fields(const char* text, size_t length, uint8_t out[4]) {
    size_t at = 0;
    for (int field = 0; field < 4; ++field) {
        if (field > 0 && (at >= length || text[at++] != '.')) return false;
        int value = 0;
        size_t digits = 0;
        for (; at < length && text[at] >= '0' && text[at] <= '9' && digits < 4; ++at, ++digits)
            value = value * 10 + (text[at] - '0');
        if (digits == 0 || digits > 3 || value > 255) return false;
        out[field] = static_cast<uint8_t>(value);
    }
    return at == length;
}

DiscoveryAction respond_to_frame(const uint8_t* frame, size_t captured_length, SimSystem& system,
                                 uint8_t* reply, int32_t* reply_length) {
    if (system.rebooting() || !system.present()) return DiscoveryAction::Ignored;
    UdpView view;
    if (!read_udp_frame(frame, captured_length, &view)) return DiscoveryAction::Ignored;
    if (view.destination_port != DiscoveryDestinationPort) return DiscoveryAction::Ignored;
    const SimIdentity me = system.identity();
    if (is_ident(view)) {
        *reply_length = build_identreply(view, me, reply);
        return *reply_length > 0 ? DiscoveryAction::Reply : DiscoveryAction::Ignored;
    }
    size_t length = 0;
    const char* fields = ipaddr_fields(view, &length);
    if (fields == nullptr || std::memcmp(view.destination_mac, me.mac, 6) != 0 ||
        std::memcmp(view.destination_ipv4, me.ipv4, 4) != 0)
        return DiscoveryAction::Ignored;
    uint8_t address[4];
    if (!parse_ipaddr_fields(fields, length, address) || system.ignores_address_changes())
        return DiscoveryAction::Ignored;
    system.set_address(address);
    return DiscoveryAction::AddressChanged;
}

#include "udp_view.h"

namespace {

uint16_t get16(const uint8_t* at) { return static_cast<uint16_t>(at[0] << 8 | at[1]); }

}  // namespace

bool parse_udp_view(const uint8_t* frame, size_t captured_length, UdpView* view) {
    if (captured_length < 14 + 20 || get16(frame + 12) != 0x0800) return false;
    const uint8_t* ip = frame + 14;
    const size_t ip_header = static_cast<size_t>(ip[0] & 0x0F) * 4;
    if ((ip[0] >> 4) != 4 || ip_header < 20 || ip[9] != 17) return false;
    if ((get16(ip + 6) & 0x3FFF) != 0) return false;  // a fragment: no whole UDP header
    const size_t udp_offset = 14 + ip_header;
    if (captured_length < udp_offset + 8) return false;
    const uint8_t* udp = frame + udp_offset;
    const size_t udp_length = get16(udp + 4);
    if (udp_length < 8) return false;
    const size_t captured_payload = captured_length - udp_offset - 8;
    view->destination_mac = frame;
    view->source_mac = frame + 6;
    view->source_ipv4 = ip + 12;
    view->destination_ipv4 = ip + 16;
    view->source_port = get16(udp);
    view->destination_port = get16(udp + 2);
    view->payload = reinterpret_cast<const char*>(udp + 8);
    view->payload_length = udp_length - 8 < captured_payload ? udp_length - 8 : captured_payload;
    return true;
}

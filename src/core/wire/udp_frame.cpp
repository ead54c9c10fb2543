#include "wire/udp_frame.h"

#include <cstring>

namespace {

void write_ethernet(uint8_t* frame, const UdpEndpoints& ends) {
    std::memcpy(frame + EthernetDestinationOffset, ends.destination_mac, 6);
    std::memcpy(frame + EthernetSourceOffset, ends.source_mac, 6);
    put16(frame + EtherTypeOffset, EtherTypeIpv4);
}

void write_ipv4(uint8_t* ip, size_t payload_length, const UdpEndpoints& ends) {
    ip[0] = 0x45;  // version 4, five words: no options
    ip[1] = 0;
    put16(ip + Ipv4TotalLengthAt, static_cast<uint16_t>(Ipv4MinimumHeaderLength + UdpHeaderLength + payload_length));
    put16(ip + Ipv4IdentificationAt, 1);  // the systems do not look at it
    put16(ip + Ipv4FragmentAt, 0);
    ip[Ipv4TimeToLiveAt] = 128;
    ip[Ipv4ProtocolAt] = Ipv4ProtocolUdp;
    put16(ip + Ipv4ChecksumAt, 0);
    std::memcpy(ip + Ipv4SourceAt, ends.source_ipv4, 4);
    std::memcpy(ip + Ipv4DestinationAt, ends.destination_ipv4, 4);
    put16(ip + Ipv4ChecksumAt, ipv4_header_checksum(ip));
}

void write_udp(uint8_t* udp, size_t payload_length, const UdpEndpoints& ends) {
    put16(udp + UdpSourcePortAt, ends.source_port);
    put16(udp + UdpDestinationPortAt, ends.destination_port);
    put16(udp + UdpLengthAt, static_cast<uint16_t>(UdpHeaderLength + payload_length));
    put16(udp + UdpChecksumAt, 0);  // no checksum: optional over IPv4
}

}  // namespace

uint16_t ipv4_header_checksum(const uint8_t* header) {
    uint32_t sum = 0;
    for (size_t i = 0; i < Ipv4MinimumHeaderLength; i += 2) sum += get16(header + i);
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum);
}

int32_t build_udp_frame(uint8_t* out, size_t capacity, const char* payload,
                        const UdpEndpoints& ends) {
    if (capacity < UdpFrameHeaderLength) return -1;
    // Stop counting once the payload cannot fit, so an unterminated text is never overrun.
    const size_t room = capacity - UdpFrameHeaderLength;
    const size_t n = strnlen(payload, room + 1);
    if (n > room) return -1;
    write_ethernet(out, ends);
    write_ipv4(out + Ipv4HeaderOffset, n, ends);
    write_udp(out + UdpHeaderOffset, n, ends);
    std::memcpy(out + UdpFrameHeaderLength, payload, n);
    return static_cast<int32_t>(UdpFrameHeaderLength + n);
}

bool read_udp_frame(const uint8_t* frame, size_t captured_length, UdpView* view) {
    if (captured_length < Ipv4HeaderOffset + Ipv4MinimumHeaderLength ||
        get16(frame + EtherTypeOffset) != EtherTypeIpv4)
        return false;
    const uint8_t* ip = frame + Ipv4HeaderOffset;
    const size_t ip_header = static_cast<size_t>(ip[0] & 0x0F) * 4;
    if ((ip[0] >> 4) != 4 || ip_header < Ipv4MinimumHeaderLength || ip[Ipv4ProtocolAt] != Ipv4ProtocolUdp)
        return false;
    if ((get16(ip + Ipv4FragmentAt) & 0x3FFF) != 0) return false;  // a fragment: no whole UDP header
    const size_t udp_offset = Ipv4HeaderOffset + ip_header;
    if (captured_length < udp_offset + UdpHeaderLength) return false;
    const uint8_t* udp = frame + udp_offset;
    const size_t udp_length = get16(udp + UdpLengthAt);
    if (udp_length < UdpHeaderLength) return false;
    const size_t captured_payload = captured_length - udp_offset - UdpHeaderLength;
    view->destination_mac = frame + EthernetDestinationOffset;
    view->source_mac = frame + EthernetSourceOffset;
    view->source_ipv4 = ip + Ipv4SourceAt;
    view->destination_ipv4 = ip + Ipv4DestinationAt;
    view->source_port = get16(udp + UdpSourcePortAt);
    view->destination_port = get16(udp + UdpDestinationPortAt);
    view->payload = reinterpret_cast<const char*>(udp + UdpHeaderLength);
    const size_t datagram_payload = udp_length - UdpHeaderLength;
    view->payload_length = datagram_payload < captured_payload ? datagram_payload : captured_payload;
    return true;
}

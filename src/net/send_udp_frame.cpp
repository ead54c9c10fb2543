#include "net/send_udp_frame.h"

#include "net/discovery_protocol.h"
#include "net/udp_frame.h"

namespace {

PcapHandle open_for_sending(const InterfaceRecord& nic) {
    if (nic.device_name[0] == '\0') return PcapHandle();
    char errbuf[PCAP_ERRBUF_SIZE];
    DeviceOptions options;  // 65536 bytes, promiscuous, 1000 ms
    return open_device(nic.device_name, options, errbuf);  // the error text is dropped: no caller reports it
}

}  // namespace

FrameSender::FrameSender(const InterfaceRecord& nic) : device_(open_for_sending(nic)) {}

int32_t FrameSender::send(const char* payload, const uint8_t source_mac[6], const uint8_t destination_mac[6],
                          const uint8_t source_ipv4[4], const uint8_t destination_ipv4[4]) {
    uint8_t frame[SendBufferSize];
    const UdpEndpoints ends{source_mac,  destination_mac,     source_ipv4,
                            destination_ipv4, DiscoverySourcePort, DiscoveryDestinationPort};
    const int32_t length = build_udp_frame(frame, sizeof frame, payload, ends);
    if (length < 0 || !device_) return -1;
    return pcap_sendpacket(device_.get(), frame, length) == 0 ? 0 : -1;
}

int32_t send_udp_frame_on(const InterfaceRecord& nic, const char* payload, const uint8_t source_mac[6],
                          const uint8_t destination_mac[6], const uint8_t source_ipv4[4],
                          const uint8_t destination_ipv4[4]) {
    if (nic.device_name[0] == '\0') return -1;
    // A payload too long for the frame opens nothing.
    uint8_t frame[SendBufferSize];
    const UdpEndpoints ends{source_mac, destination_mac, source_ipv4, destination_ipv4, 0, 0};
    if (build_udp_frame(frame, sizeof frame, payload, ends) < 0) return -1;
    FrameSender sender(nic);
    return sender.send(payload, source_mac, destination_mac, source_ipv4, destination_ipv4);
}

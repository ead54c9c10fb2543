#include "net/send_udp_frame.h"

#include "net/discovery_protocol.h"
#include "net/pcap_session.h"
#include "net/udp_frame.h"

int32_t send_udp_frame_on(const InterfaceRecord& nic, const char* payload, const uint8_t source_mac[6],
                          const uint8_t destination_mac[6], const uint8_t source_ipv4[4],
                          const uint8_t destination_ipv4[4]) {
    if (nic.device_name[0] == '\0') return -1;

    uint8_t frame[SendBufferSize];
    const UdpEndpoints ends{source_mac,  destination_mac,     source_ipv4,
                            destination_ipv4, DiscoverySourcePort, DiscoveryDestinationPort};
    const int32_t length = build_udp_frame(frame, sizeof frame, payload, ends);
    if (length < 0) return -1;

    char errbuf[PCAP_ERRBUF_SIZE];
    DeviceOptions options;  // 65536 bytes, promiscuous, 1000 ms
    PcapHandle device = open_device(nic.device_name, options, errbuf);
    if (!device) return -1;  // the error text is dropped: no caller reports it
    return pcap_sendpacket(device.get(), frame, length) == 0 ? 0 : -1;
}

#include "wire/frame_sender.h"

#include "wire/discovery_protocol.h"
#include "wire/udp_frame.h"

namespace {

PcapHandle open_for_sending(const char* device_name) {
    if (device_name[0] == '\0') return PcapHandle();
    char errbuf[PCAP_ERRBUF_SIZE];
    DeviceOptions options;  // 65536 bytes, promiscuous, 1000 ms
    return open_device(device_name, options, errbuf);  // the error text is dropped: no caller reports it
}

bool fits_a_frame(const char* payload) {
    uint8_t frame[SendBufferSize];
    const uint8_t none[6] = {};
    return build_udp_frame(frame, sizeof frame, payload, UdpEndpoints{none, none, none, none, 0, 0}) >= 0;
}

}  // namespace

FrameSender::FrameSender(const char* device_name) : device_(open_for_sending(device_name)) {}

int32_t FrameSender::send(const char* payload, const uint8_t source_mac[6], const uint8_t destination_mac[6],
                          const uint8_t source_ipv4[4], const uint8_t destination_ipv4[4]) {
    return try_send(payload, source_mac, destination_mac, source_ipv4, destination_ipv4) == FrameSend::Sent ? 0 : -1;
}

FrameSend FrameSender::try_send(const char* payload, const uint8_t source_mac[6], const uint8_t destination_mac[6],
                                const uint8_t source_ipv4[4], const uint8_t destination_ipv4[4]) {
    uint8_t frame[SendBufferSize];
    const UdpEndpoints ends{source_mac,  destination_mac,     source_ipv4,
                            destination_ipv4, DiscoverySourcePort, DiscoveryDestinationPort};
    const int32_t length = build_udp_frame(frame, sizeof frame, payload, ends);
    if (length < 0 || !device_) return FrameSend::Failed;
    return send_frame(device_.get(), frame, length);
}

int32_t send_udp_frame_on(const char* device_name, const char* payload, const uint8_t source_mac[6],
                          const uint8_t destination_mac[6], const uint8_t source_ipv4[4],
                          const uint8_t destination_ipv4[4]) {
    // A payload too long for the frame opens nothing.
    if (device_name[0] == '\0' || !fits_a_frame(payload)) return -1;
    FrameSender sender(device_name);
    return sender.send(payload, source_mac, destination_mac, source_ipv4, destination_ipv4);
}

#include "wire/arp_frame.h"

#include <cstring>

namespace {

constexpr uint16_t HardwareEthernet = 1;
constexpr uint16_t ProtocolIpv4 = EtherTypeIpv4;
constexpr uint8_t MacLength = 6;
constexpr uint8_t Ipv4Length = 4;

void write_arp_header(uint8_t* arp, ArpOperation operation) {
    put16(arp + ArpHardwareTypeAt, HardwareEthernet);
    put16(arp + ArpProtocolTypeAt, ProtocolIpv4);
    arp[ArpHardwareLengthAt] = MacLength;
    arp[ArpProtocolLengthAt] = Ipv4Length;
    put16(arp + ArpOperationAt, static_cast<uint16_t>(operation));
}

bool ipv4_over_ethernet(const uint8_t* arp) {
    return get16(arp + ArpHardwareTypeAt) == HardwareEthernet && get16(arp + ArpProtocolTypeAt) == ProtocolIpv4 &&
           arp[ArpHardwareLengthAt] == MacLength && arp[ArpProtocolLengthAt] == Ipv4Length;
}

bool known_operation(uint16_t operation) {
    return operation == static_cast<uint16_t>(ArpOperation::Request) ||
           operation == static_cast<uint16_t>(ArpOperation::Reply);
}

}  // namespace

ArpFrame arp_probe_frame(const uint8_t source_mac[6], const uint8_t target_ipv4[4]) {
    ArpFrame frame{};  // sender address and target MAC stay zero
    uint8_t* arp = frame.data() + ArpOffset;
    std::memset(frame.data() + EthernetDestinationOffset, 0xff, 6);
    std::memcpy(frame.data() + EthernetSourceOffset, source_mac, 6);
    put16(frame.data() + EtherTypeOffset, EtherTypeArp);
    write_arp_header(arp, ArpOperation::Request);
    std::memcpy(arp + ArpSenderMacAt, source_mac, 6);
    std::memcpy(arp + ArpTargetIpv4At, target_ipv4, 4);
    return frame;
}

ArpRead read_arp_frame(const uint8_t* frame, size_t length, ArpFields* out) {
    if (length < ArpFrameLength) return ArpRead::TooShort;
    if (get16(frame + EtherTypeOffset) != EtherTypeArp) return ArpRead::NotArp;
    const uint8_t* arp = frame + ArpOffset;
    const uint16_t operation = get16(arp + ArpOperationAt);
    if (!ipv4_over_ethernet(arp) || !known_operation(operation)) return ArpRead::Malformed;
    out->operation = static_cast<ArpOperation>(operation);
    std::memcpy(out->sender_mac, arp + ArpSenderMacAt, 6);
    std::memcpy(out->sender_ipv4, arp + ArpSenderIpv4At, 4);
    std::memcpy(out->target_mac, arp + ArpTargetMacAt, 6);
    std::memcpy(out->target_ipv4, arp + ArpTargetIpv4At, 4);
    return ArpRead::Arp;
}

#include "wire/arp_frame.h"

#include <cstring>

namespace {

constexpr uint16_t HardwareEthernet = 1;
constexpr uint16_t ProtocolIpv4 = 0x0800;
constexpr uint8_t MacLength = 6;
constexpr uint8_t Ipv4Length = 4;

// ARP packet offsets from the first byte of the Ethernet header.
constexpr size_t EtherTypeAt = 12;
constexpr size_t ArpAt = 14;
constexpr size_t SenderMacAt = ArpAt + 8;
constexpr size_t SenderIpv4At = ArpAt + 14;
constexpr size_t TargetMacAt = ArpAt + 18;
constexpr size_t TargetIpv4At = ArpAt + 24;

void put16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value >> 8);
    at[1] = static_cast<uint8_t>(value);
}

uint16_t get16(const uint8_t* at) { return static_cast<uint16_t>(at[0] << 8 | at[1]); }

void write_arp_header(uint8_t* arp, ArpOperation operation) {
    put16(arp, HardwareEthernet);
    put16(arp + 2, ProtocolIpv4);
    arp[4] = MacLength;
    arp[5] = Ipv4Length;
    put16(arp + 6, static_cast<uint16_t>(operation));
}

bool ipv4_over_ethernet(const uint8_t* arp) {
    return get16(arp) == HardwareEthernet && get16(arp + 2) == ProtocolIpv4 && arp[4] == MacLength &&
           arp[5] == Ipv4Length;
}

bool known_operation(uint16_t operation) {
    return operation == static_cast<uint16_t>(ArpOperation::Request) ||
           operation == static_cast<uint16_t>(ArpOperation::Reply);
}

}  // namespace

ArpFrame arp_probe_frame(const uint8_t source_mac[6], const uint8_t target_ipv4[4]) {
    ArpFrame frame{};  // sender address and target MAC stay zero
    std::memset(frame.data(), 0xff, 6);
    std::memcpy(frame.data() + 6, source_mac, 6);
    put16(frame.data() + EtherTypeAt, ArpEtherType);
    write_arp_header(frame.data() + ArpAt, ArpOperation::Request);
    std::memcpy(frame.data() + SenderMacAt, source_mac, 6);
    std::memcpy(frame.data() + TargetIpv4At, target_ipv4, 4);
    return frame;
}

ArpRead read_arp_frame(const uint8_t* frame, size_t length, ArpFields* out) {
    if (length < ArpFrameLength) return ArpRead::TooShort;
    if (get16(frame + EtherTypeAt) != ArpEtherType) return ArpRead::NotArp;
    const uint16_t operation = get16(frame + ArpAt + 6);
    if (!ipv4_over_ethernet(frame + ArpAt) || !known_operation(operation)) return ArpRead::Malformed;
    out->operation = static_cast<ArpOperation>(operation);
    std::memcpy(out->sender_mac, frame + SenderMacAt, 6);
    std::memcpy(out->sender_ipv4, frame + SenderIpv4At, 4);
    std::memcpy(out->target_mac, frame + TargetMacAt, 6);
    std::memcpy(out->target_ipv4, frame + TargetIpv4At, 4);
    return ArpRead::Arp;
}

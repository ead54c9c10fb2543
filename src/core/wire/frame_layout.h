// Where the fields of the raw frames lie (Ethernet II, IPv4, UDP, ARP for IPv4), and how
// a 16-bit field is written and read, in network order: every builder and reader of
// frames takes its offsets from here. "...Offset" counts from the frame's first byte,
// "...At" from the first byte of the field's own header.
#pragma once

#include <cstddef>
#include <cstdint>

// Ethernet II.
constexpr size_t EthernetDestinationOffset = 0;
constexpr size_t EthernetSourceOffset = 6;
constexpr size_t EtherTypeOffset = 12;
constexpr size_t EthernetHeaderLength = 14;
constexpr uint16_t EtherTypeIpv4 = 0x0800;
constexpr uint16_t EtherTypeArp = 0x0806;

// IPv4, after the Ethernet header. Options, when there are any, follow the 20 bytes; the
// addresses always lie within them.
constexpr size_t Ipv4HeaderOffset = EthernetHeaderLength;
constexpr size_t Ipv4MinimumHeaderLength = 20;
constexpr size_t Ipv4TotalLengthAt = 2;
constexpr size_t Ipv4IdentificationAt = 4;
constexpr size_t Ipv4FragmentAt = 6;  // flags and fragment offset
constexpr size_t Ipv4TimeToLiveAt = 8;
constexpr size_t Ipv4ProtocolAt = 9;
constexpr size_t Ipv4ChecksumAt = 10;
constexpr size_t Ipv4SourceAt = 12;
constexpr size_t Ipv4DestinationAt = 16;
constexpr size_t Ipv4SourceOffset = Ipv4HeaderOffset + Ipv4SourceAt;            // 26
constexpr size_t Ipv4DestinationOffset = Ipv4HeaderOffset + Ipv4DestinationAt;  // 30
constexpr uint8_t Ipv4ProtocolUdp = 17;

// UDP, after the IPv4 header.
constexpr size_t UdpSourcePortAt = 0;
constexpr size_t UdpDestinationPortAt = 2;
constexpr size_t UdpLengthAt = 4;
constexpr size_t UdpChecksumAt = 6;
constexpr size_t UdpHeaderLength = 8;
// A UDP frame whose IPv4 header has no options: Ethernet 14, IPv4 20, UDP 8.
constexpr size_t UdpHeaderOffset = Ipv4HeaderOffset + Ipv4MinimumHeaderLength;  // 34
constexpr size_t UdpFrameHeaderLength = UdpHeaderOffset + UdpHeaderLength;      // 42

// ARP for IPv4 over Ethernet (RFC 826), after the Ethernet header.
constexpr size_t ArpOffset = EthernetHeaderLength;
constexpr size_t ArpHardwareTypeAt = 0;
constexpr size_t ArpProtocolTypeAt = 2;
constexpr size_t ArpHardwareLengthAt = 4;
constexpr size_t ArpProtocolLengthAt = 5;
constexpr size_t ArpOperationAt = 6;
constexpr size_t ArpSenderMacAt = 8;
constexpr size_t ArpSenderIpv4At = 14;
constexpr size_t ArpTargetMacAt = 18;
constexpr size_t ArpTargetIpv4At = 24;
constexpr size_t ArpPacketLength = 28;

inline void put16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value >> 8);
    at[1] = static_cast<uint8_t>(value);
}

inline uint16_t get16(const uint8_t* at) { return static_cast<uint16_t>(at[0] << 8 | at[1]); }

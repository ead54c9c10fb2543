// ARP for IPv4 over Ethernet (RFC 826): building the probe that asks whether anyone
// holds an address (RFC 5227), and reading a captured ARP frame. Pure functions.
#pragma once

#include "wire/frame_layout.h"

#include <array>
#include <cstddef>
#include <cstdint>

// Ethernet header 14 bytes, ARP packet 28. A probe is sent at this length: the
// capture library needs only the Ethernet header, and the network card pads the frame
// to Ethernet's 60-byte minimum on the wire, as it does for the system's own ARP.
constexpr size_t ArpFrameLength = ArpOffset + ArpPacketLength;  // 42

using ArpFrame = std::array<uint8_t, ArpFrameLength>;

enum class ArpOperation : uint16_t { Request = 1, Reply = 2 };

struct ArpFields {
    ArpOperation operation;
    uint8_t sender_mac[6];   // wire order
    uint8_t sender_ipv4[4];  // network order
    uint8_t target_mac[6];
    uint8_t target_ipv4[4];
};

// The probe for target_ipv4: a broadcast ARP request from source_mac whose sender
// address is 0.0.0.0 and target MAC all zeros, so it asks without claiming anything
// and changes no host's ARP cache.
ArpFrame arp_probe_frame(const uint8_t source_mac[6], const uint8_t target_ipv4[4]);

enum class ArpRead {
    Arp,        // *out holds the fields
    TooShort,   // fewer than ArpFrameLength bytes
    NotArp,     // another EtherType
    Malformed,  // ARP, but not IPv4 over Ethernet, or neither a request nor a reply
};

// Reads the first length bytes of a captured frame; *out is written only for Arp.
// Bytes past the ARP packet (the padding of a short frame) are ignored.
ArpRead read_arp_frame(const uint8_t* frame, size_t length, ArpFields* out);

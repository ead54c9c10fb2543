// Fixed values of the Discovery Protocol: raw Ethernet II/IPv4/UDP frames carrying
// short text commands that all begin with one tag.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint16_t DiscoverySourcePort = 5555;
constexpr uint16_t DiscoveryDestinationPort = 8989;

constexpr char DiscoveryTag[] = "@%_*_@TLDP ";             // 11 characters
constexpr size_t DiscoveryTagLength = sizeof DiscoveryTag - 1;
constexpr char IdentRequest[] = "@%_*_@TLDP IDENT";        // 16 characters
constexpr char IdentReplyWord[] = "IDENTREPLY <";          // follows the tag
constexpr size_t IdentReplyWordLength = sizeof IdentReplyWord - 1;
constexpr char IpAddrWord[] = "IPADDR ";                   // follows the tag

constexpr uint8_t BroadcastMac[6] = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff};
constexpr uint8_t BroadcastIpv4[4] = {255, 255, 255, 255};

// Whether an update can reach the right system through the chosen interface: the
// system's address must lie in one of the interface's IPv4 networks (else the
// connection would leave by another route, or not at all), and no other system found
// may answer at the same address (else whichever answers ARP first gets the firmware).
#pragma once

#include "discovery/interface_record.h"
#include "discovery/system_record.h"

#include <cstdint>
#include <string>
#include <vector>

// One IPv4 network of the interface: the PC's address on it and its prefix length.
struct Ipv4Network {
    uint8_t address[4] = {};
    int prefix = 32;  // 0 to 32
};

// The chosen interface's IPv4 networks as the checks need them.
struct InterfaceNetwork {
    std::string name;                   // as the technician chose it: "tp0"
    std::vector<Ipv4Network> networks;  // one per address, in the interface's order; none: no IPv4 address
};

// nic's networks, under the name the technician knows it by. A netmask that cannot be
// read leaves that network at the interface's own address (/32).
InterfaceNetwork interface_network(const InterfaceRecord& nic, const std::string& name);

// The prefix length of a contiguous netmask (network order); -1 for any other mask.
int prefix_of(const uint8_t netmask[4]);

enum class Reach { Reachable, NoInterfaceAddress, OutsideNetwork, SharedAddress };

struct ReachCheck {
    Reach reach = Reach::Reachable;
    std::string why;  // empty when reachable; otherwise what stands in the way and what to do
    bool reachable() const { return reach == Reach::Reachable; }
};

// The first of the interface's networks that address lies in; null when none.
const Ipv4Network* network_of(const uint8_t address[4], const InterfaceNetwork& network);
// Whether address lies in any of them (false when the interface has no address).
bool on_network(const uint8_t address[4], const InterfaceNetwork& network);

// Which part of its network an address is, by the mask of the interface's network it
// lies in: its network address (all host bits 0) or its broadcast address (all 1)
// belong to no host. Networks of /31 and /32 have neither (RFC 3021).
enum class HostPart { Host, NetworkAddress, BroadcastAddress, OffNetwork };
HostPart host_part(const uint8_t address[4], const InterfaceNetwork& network);

// Where a connection to the system at address leaves from: the PC's address on the
// interface's network that holds it, or the interface's listed address when none does.
void source_toward(const InterfaceRecord& nic, const uint8_t address[4], uint8_t out[4]);

// "a.b.c.d/p"
std::string network_text(const Ipv4Network& network);
// The network itself: its address with every host bit 0 (203.0.113.128/25).
Ipv4Network network_base(const Ipv4Network& network);
// "tp0 (198.51.100.1/24)"; with several: "tp0 (203.0.113.1/25, 203.0.113.129/25)".
std::string networks_text(const InterfaceNetwork& network);
// The distinct systems (by MAC) among found that answer at address.
std::vector<const SystemRecord*> systems_at(const uint8_t address[4], const std::vector<SystemRecord>& found);

// Whether the system at address can be updated through network, found being every
// system the scan found on it.
ReachCheck check_reach(const uint8_t address[4], const InterfaceNetwork& network,
                       const std::vector<SystemRecord>& found);

// Whether an update can reach the right system through the chosen interface: the
// system's address must lie in the interface's IPv4 network (else the connection would
// leave by another route, or not at all), and no other system found may answer at the
// same address (else whichever answers ARP first gets the firmware).
#pragma once

#include "discovery/interface_record.h"
#include "discovery/system_record.h"

#include <cstdint>
#include <string>
#include <vector>

// The chosen interface's IPv4 network as the check needs it.
struct InterfaceNetwork {
    std::string name;         // as the technician chose it: "tp0"
    uint8_t address[4] = {};  // 0.0.0.0: the interface has no IPv4 address
    int prefix = 32;          // 0 to 32
};

// nic's network, under the name the technician knows it by. A netmask that cannot be
// read leaves the network at the interface's own address (/32).
InterfaceNetwork interface_network(const InterfaceRecord& nic, const std::string& name);

enum class Reach { Reachable, NoInterfaceAddress, OutsideNetwork, SharedAddress };

struct ReachCheck {
    Reach reach = Reach::Reachable;
    std::string why;  // empty when reachable; otherwise what stands in the way and what to do
    bool reachable() const { return reach == Reach::Reachable; }
};

// Whether address lies in network (false when the interface has no address).
bool on_network(const uint8_t address[4], const InterfaceNetwork& network);
// The distinct systems (by MAC) among found that answer at address.
std::vector<const SystemRecord*> systems_at(const uint8_t address[4], const std::vector<SystemRecord>& found);

// Whether the system at address can be updated through network, found being every
// system the scan found on it.
ReachCheck check_reach(const uint8_t address[4], const InterfaceNetwork& network,
                       const std::vector<SystemRecord>& found);

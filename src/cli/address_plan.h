// What set-ip is asked to do for many systems: a plan file's lines, or a range of
// addresses handed out in turn.
#pragma once

#include "discovery/address_probe.h"
#include "discovery/system_reach.h"

#include <string>
#include <vector>

// One line of a plan: a system as the user named it and the address it is to take.
struct PlannedChange {
    std::string target;
    std::string new_address;  // as written
    int line = 0;             // in the plan, from 1
};

// Reads a plan: one "TARGET,NEW_IP" a line, blank lines and "#" comments skipped,
// spaces around either part ignored. false with the reason (and line) in *why.
bool read_plan_text(const std::string& text, std::vector<PlannedChange>* out, std::string* why);

// The same from a file; an empty plan is refused too.
bool read_plan_file(const std::string& path, std::vector<PlannedChange>* out, std::string* why);

// The addresses of "FIRST-LAST", in order; both ends must be addresses a system can
// take. false with the reason in *why for a bad end, LAST before FIRST, or more than
// MostRangeAddresses.
constexpr size_t MostRangeAddresses = 4096;
bool read_range(const std::string& text, std::vector<Ipv4Address>* out, std::string* why);

// Whether a range hands address out to no system: the network or broadcast address of
// the interface's network it lies in, by that network's mask; off the interface's
// networks, where the mask is unknown, an address ending in .0 or .255 (a /24's, a
// plant's usual network), since a range loses nothing by leaving it out.
bool range_skips(const Ipv4Address& address, const InterfaceNetwork& networks);

// One system a plan moves, as the checks need it.
struct PlannedMove {
    MacAddress mac;
    std::string name;  // "198.51.100.50 (02:7a:10:0b:00:05)"
    Ipv4Address address;
};

// Why the moves cannot all be made: the first system named twice, or the first address
// given twice, said with what to do; empty when each appears once.
std::string plan_repeats(const std::vector<PlannedMove>& moves);

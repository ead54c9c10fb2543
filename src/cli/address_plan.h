// What set-ip is asked to do for many systems: a plan file's lines, or a range of
// addresses handed out in turn.
#pragma once

#include "discovery/address_probe.h"

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

// The addresses of "FIRST-LAST", in order, each one a system can take (ending in
// neither .0 nor .255). false with the
// reason in *why for a bad end, LAST before FIRST, or more than MostRangeAddresses.
constexpr size_t MostRangeAddresses = 4096;
bool read_range(const std::string& text, std::vector<Ipv4Address>* out, std::string* why);

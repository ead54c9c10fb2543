// Loopback addresses for the firmware tests. The tool always calls port 5555, so each
// test listens on an address of its own in 127.0.0.0/8 and test programs that run at
// the same time do not meet.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Calls listen(address) with random addresses 127.a.b.c until it returns 0 (at most 50
// tries); the address that worked, or "" when none did.
std::string claim_loopback_address(const std::function<int(const std::string&)>& listen);

// An address where nothing listens on port 5555: connections to it are refused.
std::string unused_loopback_address();

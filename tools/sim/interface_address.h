// Giving a Linux interface the address an IPADDR command asked for, so the system's
// TCP services are reached at its new address as well.
#pragma once

#include <cstdint>

// Replaces the interface's IPv4 address (network order), keeping its netmask.
// true on success; false with the reason printed on standard error.
bool set_interface_address(const char* interface, const uint8_t ipv4[4]);

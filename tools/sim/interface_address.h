// Giving a Linux interface the address an IPADDR command asked for, so the system's
// TCP services are reached at its new address as well; and keeping its kernel from
// answering ARP while the system is unplugged.
#pragma once

#include <cstdint>
#include <string>

// Replaces the interface's IPv4 address (network order), keeping its netmask.
// true on success; false with the reason printed on standard error.
bool set_interface_address(const char* interface, const uint8_t ipv4[4]);

// The interface's ARP answering setting (net.ipv4.conf.IF.arp_ignore); "" when it
// cannot be read.
std::string interface_arp_ignore(const char* interface);

// Sets it: "8" answers no ARP request at all, as a system whose cable is pulled. true
// on success; false with the reason printed on standard error.
bool set_interface_arp_ignore(const char* interface, const std::string& value);

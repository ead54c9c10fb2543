// One network interface that the capture library can open.
#pragma once

#include <cstddef>
#include <cstdint>

// One IPv4 address of an interface, with the netmask that belongs to it.
struct InterfaceAddress {
    uint8_t ipv4[4];     // network order
    uint8_t netmask[4];  // network order; 0.0.0.0 when the library gave none
};

// A PC may hold several addresses on one interface (an alias on the factory network);
// more than this many are left out of the list, never out of the fields above it.
constexpr size_t MaxInterfaceAddresses = 16;

struct InterfaceRecord {
    char description[255];   // the device's description, or its name when it has none
    char device_name[255];   // the capture device name
    uint8_t mac[6];          // ff:ff:ff:ff:ff:ff when unknown
    uint8_t ipv4[4];         // network order; 0.0.0.0 when the device has none
    char ip_text[32];        // dotted decimal; empty when the device has no IPv4 address
    char netmask_text[32];   // dotted decimal; empty when there is none
    // Every IPv4 address of the device in the library's order; the fields above hold the
    // last one listed, as the interface list shows it.
    uint8_t address_count;
    InterfaceAddress addresses[MaxInterfaceAddresses];
};

// The network interfaces the capture library can open, built once at start-up.
#pragma once

#include <cstdint>

struct InterfaceRecord {
    char description[255];   // the device's description, or its name when it has none
    char device_name[255];   // the capture device name
    uint8_t mac[6];          // ff:ff:ff:ff:ff:ff when unknown
    uint8_t ipv4[4];         // network order; 0.0.0.0 when the device has none
    char ip_text[32];        // dotted decimal; empty when the device has no IPv4 address
    char netmask_text[32];   // dotted decimal; empty when there is none
};

constexpr int InterfaceTableSize = 32;

extern InterfaceRecord InterfaceTable[InterfaceTableSize];
extern int8_t InterfaceCount;

// Fills InterfaceTable from the capture library's device list. 0 when the list was
// read (also when it is empty), -1 when the library cannot list its devices.
int32_t build_interface_catalogue();

// One network interface that the capture library can open.
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

// Joining the capture library's device list with the adapter table into interface
// records: the core of the interface catalogue, usable on any device list.
#pragma once

#include "net/adapter_table.h"
#include "net/interface_record.h"

#include <pcap/pcap.h>

#include <cstddef>
#include <cstdint>

// How capture devices are joined to the adapter table on this platform.
struct CatalogueRules {
    bool (*adapter_matches)(const char* adapter_name, const char* device_name);
    // Leave out devices that no adapter with a 6-byte address matched: on Linux those
    // are pseudo-devices that cannot carry the program's Ethernet frames.
    bool adapter_required;
};

// The rules of the platform the program is built for.
CatalogueRules platform_catalogue_rules();

// Fills out (capacity records) from a device list and an adapter table, in device
// order; devices past capacity are left out. Returns how many records it filled.
size_t fill_interface_records(const pcap_if_t* devices, const AdapterInfo* adapters, size_t adapter_count,
                              const CatalogueRules& rules, InterfaceRecord* out, size_t capacity);

// The same into InterfaceTable, at most 32 entries. Returns 0.
int32_t fill_interface_catalogue(const pcap_if_t* devices, const AdapterInfo* adapters,
                                 size_t adapter_count, const CatalogueRules& rules);

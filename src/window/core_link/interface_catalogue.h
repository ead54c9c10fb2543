// The network interfaces the capture library can open, built once at start-up.
#pragma once

#include "discovery/interface_list.h"

#include <cstdint>

constexpr int InterfaceTableSize = 32;

extern InterfaceRecord InterfaceTable[InterfaceTableSize];
extern int8_t InterfaceCount;

// Fills InterfaceTable from the capture library's device list. 0 when the list was
// read (also when it is empty), -1 when the library cannot list its devices.
int32_t build_interface_catalogue();

// The same from a given device list and adapter table, at most 32 entries. Returns 0.
int32_t fill_interface_catalogue(const pcap_if_t* devices, const AdapterInfo* adapters,
                                 size_t adapter_count, const CatalogueRules& rules);

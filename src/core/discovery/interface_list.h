// The network interfaces the capture library can open, with their addresses and MACs:
// the capture library's device list joined with the adapter table.
#pragma once

#include "discovery/interface_record.h"
#include "discovery/pc_address.h"
#include "wire/adapter_table.h"

#include <pcap/pcap.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// Front ends other than the window list up to this many.
constexpr size_t MaxListedInterfaces = 256;

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

// Fills out (capacity records) from the capture library's device list joined with
// the adapter table; *count tells how many. 0 when the list was read (also when it is
// empty), -1 when the library cannot list its devices.
int32_t read_interfaces(InterfaceRecord* out, size_t capacity, size_t* count);

// The interfaces as a list; *status (when given) as read_interfaces returns it.
std::vector<InterfaceRecord> list_interfaces(int32_t* status = nullptr);

// Every IPv4 address of every device in the list, also of devices the interface list
// leaves out: no system may be given any of them.
std::vector<PcAddress> pc_addresses(const pcap_if_t* devices);

// The same from the capture library's device list; false when it cannot be listed.
bool read_pc_addresses(std::vector<PcAddress>* out);

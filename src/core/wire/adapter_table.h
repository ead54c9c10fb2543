// The operating system's record of each network adapter: its identifier text and its
// hardware address, joined to the capture devices to learn their MAC addresses.
#pragma once

#include <pcap/pcap.h>

#include <cstddef>
#include <cstdint>
#include <vector>

struct AdapterInfo {
    char name[256];           // the adapter's identifier text
    uint32_t address_length;  // bytes of hardware address; 6 for Ethernet
    uint8_t address[8];
};

// Windows: the capture device name ends with the adapter's identifier
// ("\Device\NPF_{GUID}" and "{GUID}"), so an adapter belongs to a device when its
// name is strictly shorter than the device name and equals its last characters.
bool adapter_is_device_suffix(const char* adapter_name, const char* device_name);

// Linux: capture device and interface share one name; the adapter is the device's own
// link-layer entry.
bool adapter_is_device_itself(const char* adapter_name, const char* device_name);

// Linux: the adapter table is the Ethernet link-layer (AF_PACKET) entries that the
// capture library lists with each device, named after their device. Pseudo-devices
// such as "any", "nflog" or "dbus-system" have none and so no adapter. Fills at most
// capacity entries and returns how many.
size_t ethernet_adapters_of(const pcap_if_t* devices, AdapterInfo* out, size_t capacity);

// The platform's adapter table, for joining to the devices of the capture library's
// list: on Windows IP Helper's (GetAdaptersInfo), in its order; on Linux the devices'
// own Ethernet entries (ethernet_adapters_of). Empty when it cannot be read.
std::vector<AdapterInfo> read_adapter_table(const pcap_if_t* devices);

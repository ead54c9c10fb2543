#include "wire/adapter_table.h"

#include "wire/text_field.h"

#include <cstring>

#ifdef __linux__
#include <linux/if_packet.h>
#include <net/if_arp.h>
#include <sys/socket.h>
#endif

bool adapter_is_device_suffix(const char* adapter_name, const char* device_name) {
    const size_t adapter_length = std::strlen(adapter_name);
    const size_t device_length = std::strlen(device_name);
    if (adapter_length >= device_length) return false;
    return std::strcmp(device_name + (device_length - adapter_length), adapter_name) == 0;
}

bool adapter_is_device_itself(const char* adapter_name, const char* device_name) {
    return std::strcmp(adapter_name, device_name) == 0;
}

namespace {

// The device's Ethernet hardware address, when addr is its link-layer entry.
bool ethernet_entry(const sockaddr* addr, AdapterInfo* out) {
#ifdef __linux__
    if (addr == nullptr || addr->sa_family != AF_PACKET) return false;
    const auto* link = reinterpret_cast<const sockaddr_ll*>(addr);
    if (link->sll_hatype != ARPHRD_ETHER || link->sll_halen != 6) return false;
    out->address_length = 6;
    std::memcpy(out->address, link->sll_addr, 6);
    return true;
#else
    (void)addr;
    (void)out;
    return false;
#endif
}

}  // namespace

size_t ethernet_adapters_of(const pcap_if_t* devices, AdapterInfo* out, size_t capacity) {
    size_t count = 0;
    for (const pcap_if_t* d = devices; d != nullptr && count < capacity; d = d->next) {
        if (d->name == nullptr) continue;
        for (const pcap_addr_t* a = d->addresses; a != nullptr; a = a->next) {
            AdapterInfo& entry = out[count];
            if (!ethernet_entry(a->addr, &entry)) continue;
            copy_text_field(entry.name, sizeof entry.name, d->name);
            ++count;
            break;
        }
    }
    return count;
}

#ifndef _WIN32
std::vector<AdapterInfo> read_adapter_table(const pcap_if_t* devices) {
    size_t device_count = 0;
    for (const pcap_if_t* d = devices; d != nullptr; d = d->next) ++device_count;
    std::vector<AdapterInfo> adapters(device_count);
    adapters.resize(ethernet_adapters_of(devices, adapters.data(), adapters.size()));
    return adapters;
}
#endif

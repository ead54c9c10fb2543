#include "discovery/interface_list.h"

#include "wire/dotted_decimal.h"
#include "wire/text_field.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <cstring>
#include <vector>

namespace {

void copy_names(InterfaceRecord& entry, const pcap_if_t& device) {
    if (device.description != nullptr) {
        copy_text_field(entry.description, sizeof entry.description, device.description);
        copy_text_field(entry.device_name, sizeof entry.device_name, device.name ? device.name : "");
    } else if (device.name != nullptr) {
        copy_text_field(entry.description, sizeof entry.description, device.name);
        copy_text_field(entry.device_name, sizeof entry.device_name, device.name);
    }
}

const uint8_t* ipv4_bytes(const sockaddr* address) {
    return reinterpret_cast<const uint8_t*>(&reinterpret_cast<const sockaddr_in*>(address)->sin_addr);
}

bool is_ipv4(const pcap_addr_t& a) { return a.addr != nullptr && a.addr->sa_family == AF_INET; }

// Every address goes into the list; in the fields a later IPv4 entry overwrites an
// earlier one, so the last one listed is kept there.
void copy_ipv4(InterfaceRecord& entry, const pcap_if_t& device) {
    for (const pcap_addr_t* a = device.addresses; a != nullptr; a = a->next) {
        if (!is_ipv4(*a)) continue;
        std::memcpy(entry.ipv4, ipv4_bytes(a->addr), 4);
        format_dotted_decimal(entry.ipv4, entry.ip_text, sizeof entry.ip_text);
        if (a->netmask != nullptr)
            format_dotted_decimal(ipv4_bytes(a->netmask), entry.netmask_text, sizeof entry.netmask_text);
        if (entry.address_count == MaxInterfaceAddresses) continue;
        InterfaceAddress& listed = entry.addresses[entry.address_count++];
        std::memcpy(listed.ipv4, entry.ipv4, 4);
        if (a->netmask != nullptr) std::memcpy(listed.netmask, ipv4_bytes(a->netmask), 4);
    }
}

// Sets the MAC from the last matching adapter; true when one matched.
bool copy_mac(InterfaceRecord& entry, const AdapterInfo* adapters, size_t count,
              const CatalogueRules& rules) {
    std::memset(entry.mac, 0xff, sizeof entry.mac);
    if (entry.device_name[0] == '\0') return false;
    bool matched = false;
    for (size_t i = 0; i < count; ++i) {
        if (adapters[i].address_length != 6) continue;
        if (!rules.adapter_matches(adapters[i].name, entry.device_name)) continue;
        std::memcpy(entry.mac, adapters[i].address, 6);
        matched = true;
    }
    return matched;
}

}  // namespace

CatalogueRules platform_catalogue_rules() {
#ifdef _WIN32
    return CatalogueRules{adapter_is_device_suffix, false};
#else
    return CatalogueRules{adapter_is_device_itself, true};
#endif
}

size_t fill_interface_records(const pcap_if_t* devices, const AdapterInfo* adapters, size_t adapter_count,
                              const CatalogueRules& rules, InterfaceRecord* out, size_t capacity) {
    size_t count = 0;
    for (const pcap_if_t* d = devices; d != nullptr && count < capacity; d = d->next) {
        InterfaceRecord& entry = out[count];
        std::memset(&entry, 0, sizeof entry);
        copy_names(entry, *d);
        copy_ipv4(entry, *d);
        const bool matched = copy_mac(entry, adapters, adapter_count, rules);
        if (rules.adapter_required && !matched) {
            std::memset(&entry, 0, sizeof entry);
            continue;
        }
        ++count;
    }
    return count;
}

int32_t read_interfaces(InterfaceRecord* out, size_t capacity, size_t* count) {
    *count = 0;
    char errbuf[PCAP_ERRBUF_SIZE];
    pcap_if_t* devices = nullptr;
    if (pcap_findalldevs(&devices, errbuf) != 0) return -1;  // the error text is not shown
    const std::vector<AdapterInfo> adapters = read_adapter_table(devices);
    *count = fill_interface_records(devices, adapters.data(), adapters.size(), platform_catalogue_rules(), out,
                                    capacity);
    pcap_freealldevs(devices);
    return 0;
}

std::vector<PcAddress> pc_addresses(const pcap_if_t* devices) {
    std::vector<PcAddress> addresses;
    for (const pcap_if_t* d = devices; d != nullptr; d = d->next) {
        for (const pcap_addr_t* a = d->addresses; a != nullptr; a = a->next) {
            if (!is_ipv4(*a)) continue;
            PcAddress own{{}, d->name ? d->name : ""};
            std::memcpy(own.address.data(), ipv4_bytes(a->addr), 4);
            addresses.push_back(own);
        }
    }
    return addresses;
}

bool read_pc_addresses(std::vector<PcAddress>* out) {
    char errbuf[PCAP_ERRBUF_SIZE];
    pcap_if_t* devices = nullptr;
    if (pcap_findalldevs(&devices, errbuf) != 0) return false;
    *out = pc_addresses(devices);
    pcap_freealldevs(devices);
    return true;
}

std::vector<InterfaceRecord> list_interfaces(int32_t* status) {
    std::vector<InterfaceRecord> records(MaxListedInterfaces);
    size_t count = 0;
    const int32_t result = read_interfaces(records.data(), records.size(), &count);
    if (status) *status = result;
    records.resize(count);
    return records;
}

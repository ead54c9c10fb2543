#include "discovery/system_reach.h"

#include <cstdio>
#include <cstring>
#include <set>

namespace {

uint32_t host_order(const uint8_t a[4]) {
    return static_cast<uint32_t>(a[0]) << 24 | static_cast<uint32_t>(a[1]) << 16 |
           static_cast<uint32_t>(a[2]) << 8 | a[3];
}

uint32_t mask_of(int prefix) { return prefix <= 0 ? 0 : ~uint32_t{0} << (32 - prefix); }

// The prefix of a contiguous dotted netmask; -1 for anything else.
int prefix_of(const char* netmask) {
    unsigned b[4];
    char tail;
    if (std::sscanf(netmask, "%u.%u.%u.%u%c", &b[0], &b[1], &b[2], &b[3], &tail) != 4) return -1;
    uint32_t mask = 0;
    for (unsigned part : b) {
        if (part > 255) return -1;
        mask = mask << 8 | part;
    }
    int prefix = 0;
    while (prefix < 32 && (mask & (uint32_t{1} << (31 - prefix)))) ++prefix;
    return mask == mask_of(prefix) ? prefix : -1;
}

std::string dotted(const uint8_t a[4]) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", a[0], a[1], a[2], a[3]);
    return text;
}

std::string mac_words(const uint8_t* mac) {
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return text;
}

// "02:..:01, 02:..:02": a factory batch may share one address, so the list stays short.
std::string mac_list(const std::vector<const SystemRecord*>& systems) {
    constexpr size_t Shown = 4;
    std::string text;
    for (size_t i = 0; i < systems.size() && i < Shown; ++i) text += (i ? ", " : "") + mac_words(system_mac(*systems[i]));
    if (systems.size() > Shown) text += " and " + std::to_string(systems.size() - Shown) + " more";
    return text;
}

bool has_address(const InterfaceNetwork& network) {
    static const uint8_t none[4] = {};
    return std::memcmp(network.address, none, 4) != 0;
}

}  // namespace

InterfaceNetwork interface_network(const InterfaceRecord& nic, const std::string& name) {
    InterfaceNetwork network;
    network.name = name;
    std::memcpy(network.address, nic.ipv4, 4);
    const int prefix = prefix_of(nic.netmask_text);
    network.prefix = prefix < 0 ? 32 : prefix;
    return network;
}

bool on_network(const uint8_t address[4], const InterfaceNetwork& network) {
    const uint32_t mask = mask_of(network.prefix);
    return has_address(network) && (host_order(address) & mask) == (host_order(network.address) & mask);
}

std::vector<const SystemRecord*> systems_at(const uint8_t address[4], const std::vector<SystemRecord>& found) {
    std::vector<const SystemRecord*> at;
    std::set<uint64_t> macs;  // a system that answered twice is one system
    for (const SystemRecord& s : found) {
        if (std::memcmp(s.ipv4, address, 4) != 0) continue;
        uint64_t mac = 0;
        for (int i = 0; i < 6; ++i) mac = mac << 8 | system_mac(s)[i];
        if (macs.insert(mac).second) at.push_back(&s);
    }
    return at;
}

ReachCheck check_reach(const uint8_t address[4], const InterfaceNetwork& network,
                       const std::vector<SystemRecord>& found) {
    ReachCheck check;
    const std::string system = dotted(address);
    if (!has_address(network)) {
        check.reach = Reach::NoInterfaceAddress;
        check.why = system + " cannot be reached: " + network.name +
                    " has no IPv4 address; give the PC an address on the system's network first";
    } else if (!on_network(address, network)) {
        check.reach = Reach::OutsideNetwork;
        check.why = system + " is not on the network of " + network.name + " (" + dotted(network.address) + "/" +
                    std::to_string(network.prefix) + "): give the system an address on that network first";
    } else if (const auto at = systems_at(address, found); at.size() > 1) {
        check.reach = Reach::SharedAddress;
        check.why = system + " is answered by " + std::to_string(at.size()) + " systems (MACs " + mac_list(at) +
                    "): give each its own address first";
    }
    return check;
}

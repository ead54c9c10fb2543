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
int prefix_of_text(const char* netmask) {
    unsigned b[4];
    char tail;
    if (std::sscanf(netmask, "%u.%u.%u.%u%c", &b[0], &b[1], &b[2], &b[3], &tail) != 4) return -1;
    uint8_t bytes[4];
    for (int i = 0; i < 4; ++i) {
        if (b[i] > 255) return -1;
        bytes[i] = static_cast<uint8_t>(b[i]);
    }
    return prefix_of(bytes);
}

Ipv4Network network_at(const uint8_t address[4], int prefix) {
    Ipv4Network network;
    std::memcpy(network.address, address, 4);
    network.prefix = prefix < 0 ? 32 : prefix;
    return network;
}

bool holds(const Ipv4Network& network, const uint8_t address[4]) {
    const uint32_t mask = mask_of(network.prefix);
    return (host_order(address) & mask) == (host_order(network.address) & mask);
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

bool unset(const uint8_t address[4]) {
    static const uint8_t none[4] = {};
    return std::memcmp(address, none, 4) == 0;
}

}  // namespace

std::string networks_text(const InterfaceNetwork& network) {
    std::string text;
    for (const Ipv4Network& n : network.networks) text += (text.empty() ? "" : ", ") + network_text(n);
    return network.name + " (" + text + ")";
}

int prefix_of(const uint8_t netmask[4]) {
    const uint32_t mask = host_order(netmask);
    int prefix = 0;
    while (prefix < 32 && (mask & (uint32_t{1} << (31 - prefix)))) ++prefix;
    return mask == mask_of(prefix) ? prefix : -1;
}

std::string network_text(const Ipv4Network& network) {
    return dotted(network.address) + "/" + std::to_string(network.prefix);
}

Ipv4Network network_base(const Ipv4Network& network) {
    const uint32_t base = host_order(network.address) & mask_of(network.prefix);
    Ipv4Network n = network;
    for (int i = 0; i < 4; ++i) n.address[i] = static_cast<uint8_t>(base >> (24 - 8 * i));
    return n;
}

InterfaceNetwork interface_network(const InterfaceRecord& nic, const std::string& name) {
    InterfaceNetwork network;
    network.name = name;
    for (size_t i = 0; i < nic.address_count && i < MaxInterfaceAddresses; ++i) {
        const InterfaceAddress& a = nic.addresses[i];
        // No netmask given reads as none at all, not as 0.0.0.0 (every address).
        if (!unset(a.ipv4)) network.networks.push_back(network_at(a.ipv4, unset(a.netmask) ? 32 : prefix_of(a.netmask)));
    }
    // A record filled by hand carries only the address the interface list shows.
    if (nic.address_count == 0 && !unset(nic.ipv4))
        network.networks.push_back(network_at(nic.ipv4, prefix_of_text(nic.netmask_text)));
    return network;
}

const Ipv4Network* network_of(const uint8_t address[4], const InterfaceNetwork& network) {
    for (const Ipv4Network& n : network.networks)
        if (holds(n, address)) return &n;
    return nullptr;
}

void source_toward(const InterfaceRecord& nic, const uint8_t address[4], uint8_t out[4]) {
    const InterfaceNetwork networks = interface_network(nic, nic.device_name);
    const Ipv4Network* toward = network_of(address, networks);
    std::memcpy(out, toward ? toward->address : nic.ipv4, 4);
}

bool on_network(const uint8_t address[4], const InterfaceNetwork& network) {
    return network_of(address, network) != nullptr;
}

HostPart host_part(const uint8_t address[4], const InterfaceNetwork& network) {
    const Ipv4Network* n = network_of(address, network);
    if (n == nullptr) return HostPart::OffNetwork;
    if (n->prefix >= 31) return HostPart::Host;
    const uint32_t host_bits = host_order(address) & ~mask_of(n->prefix);
    if (host_bits == 0) return HostPart::NetworkAddress;
    return host_bits == ~mask_of(n->prefix) ? HostPart::BroadcastAddress : HostPart::Host;
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
    if (network.networks.empty()) {
        check.reach = Reach::NoInterfaceAddress;
        check.why = system + " cannot be reached: " + network.name +
                    " has no IPv4 address; give the PC an address on the system's network first";
    } else if (!on_network(address, network)) {
        check.reach = Reach::OutsideNetwork;
        check.why = system + " is not on " + (network.networks.size() == 1 ? "the network" : "any network") +
                    " of " + networks_text(network) + ": give the system an address on " +
                    (network.networks.size() == 1 ? "that network" : "one of them") + " first";
    } else if (const auto at = systems_at(address, found); at.size() > 1) {
        check.reach = Reach::SharedAddress;
        check.why = system + " is answered by " + std::to_string(at.size()) + " systems (MACs " + mac_list(at) +
                    "): give each its own address first";
    }
    return check;
}

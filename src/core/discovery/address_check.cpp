#include "discovery/address_check.h"
#include "discovery/system_reach.h"

#include <cstdio>
#include <cstring>

namespace {

std::string mac_words(const MacAddress& mac) {
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4],
                  mac[5]);
    return text;
}

const char* outcome_words(ProbeOutcome outcome) {
    switch (outcome) {
    case ProbeOutcome::Checked: return "it was checked";
    case ProbeOutcome::NoDevice: return "the interface has no capture device";
    case ProbeOutcome::NoMac: return "the interface's MAC is unknown";
    case ProbeOutcome::OpenFailed: return "the interface could not be opened";
    case ProbeOutcome::FilterFailed: return "the capture filter could not be set";
    case ProbeOutcome::SendFailed: return "a probe could not be sent";
    case ProbeOutcome::CaptureError: return "reading the answers failed";
    }
    return "the check failed";
}

bool same_address(const uint8_t a[4], const Ipv4Address& b) { return std::memcmp(a, b.data(), 4) == 0; }

std::string own_address(const std::string& text, const std::string& device) {
    return text + " is this PC's own address on " + device + ": choose a free address";
}

const AddressHolders* probed(const ProbeReport& report, const Ipv4Address& address) {
    for (const AddressHolders& entry : report.addresses)
        if (entry.address == address) return &entry;
    return nullptr;
}

// The first probe answer from a host other than the moved system; empty when none.
std::string other_holder(const AddressHolders& entry, const uint8_t moved_mac[6]) {
    for (const MacAddress& holder : entry.holders)
        if (std::memcmp(holder.data(), moved_mac, 6) != 0) return mac_words(holder);
    return "";
}

// The PC's own address: on the interface the change goes out on, or on another one.
std::string pc_refusal(const std::string& text, const Ipv4Address& address, const AddressSurroundings& around) {
    const char* device = around.nic ? around.nic->device_name : "";
    if (around.nic)
        for (size_t i = 0; i < around.nic->address_count && i < MaxInterfaceAddresses; ++i)
            if (same_address(around.nic->addresses[i].ipv4, address)) return own_address(text, device);
    if (around.nic && around.nic->ip_text[0] && same_address(around.nic->ipv4, address))
        return own_address(text, device);
    if (around.pc)
        for (const PcAddress& own : *around.pc)
            if (own.address == address) return own_address(text, own.device);
    return "";
}

std::string edge_refusal(const std::string& text, const Ipv4Address& address, const InterfaceRecord& nic) {
    const InterfaceNetwork networks = interface_network(nic, nic.device_name);
    const HostPart part = host_part(address.data(), networks);
    if (part != HostPart::NetworkAddress && part != HostPart::BroadcastAddress) return "";
    return text + " is the " + (part == HostPart::NetworkAddress ? "network" : "broadcast") + " address of " +
           network_text(network_base(*network_of(address.data(), networks))) + " on " + nic.device_name + ", which no host can take: choose another address";
}

}  // namespace

std::string address_text(const Ipv4Address& address) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address[0], address[1], address[2], address[3]);
    return text;
}

std::string address_refusal(const Ipv4Address& address, const uint8_t moved_mac[6],
                            const AddressSurroundings& around) {
    const std::string text = address_text(address);
    if (std::string own = pc_refusal(text, address, around); !own.empty()) return own;
    if (around.nic)
        if (std::string edge = edge_refusal(text, address, *around.nic); !edge.empty()) return edge;
    for (size_t i = 0; i < around.found_count; ++i) {
        const SystemRecord& other = around.found[i];
        if (std::memcmp(system_mac(other), moved_mac, 6) != 0 && same_address(other.ipv4, address)) {
            MacAddress mac;
            std::memcpy(mac.data(), system_mac(other), 6);
            return text + " is taken by the system " + mac_words(mac) + ": choose a free address";
        }
    }
    const AddressHolders* entry = around.probe ? probed(*around.probe, address) : nullptr;
    if (entry) {
        const std::string holder = other_holder(*entry, moved_mac);
        if (!holder.empty()) return text + " is held by " + holder + ": choose a free address";
    }
    if (!entry || around.probe->outcome != ProbeOutcome::Checked)
        return "whether anyone holds " + text + " could not be checked (" +
               outcome_words(around.probe ? around.probe->outcome : ProbeOutcome::NoDevice) + ")";
    return "";
}

bool outside_pc_network(const InterfaceRecord& nic, const Ipv4Address& address) {
    const InterfaceNetwork networks = interface_network(nic, nic.device_name);
    return !networks.networks.empty() && !on_network(address.data(), networks);
}

std::string leaving_network_note(const InterfaceRecord& nic, const Ipv4Address& address) {
    if (!outside_pc_network(nic, address)) return "";
    const InterfaceNetwork networks = interface_network(nic, nic.device_name);
    return address_text(address) + " is outside this PC's network" + (networks.networks.size() > 1 ? "s" : "") +
           " on " + networks_text(networks) + ": give the PC an address on the new network before updating the system";
}

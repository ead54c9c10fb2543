// An update aimed past the interface's network, or at an address two systems answer,
// would go out the wrong cable or flash the wrong system: the check must say so first.
#include "discovery/system_reach.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

SystemRecord at(const char* ip, uint8_t mac_byte) {
    SystemRecord r{};
    unsigned b[4] = {};
    std::sscanf(ip, "%u.%u.%u.%u", &b[0], &b[1], &b[2], &b[3]);
    for (int i = 0; i < 4; ++i) r.ipv4[i] = static_cast<uint8_t>(b[i]);
    r.reply_headers[6] = 0x02, r.reply_headers[11] = mac_byte;
    return r;
}

void put(const char* ip, uint8_t out[4]) {
    const SystemRecord r = at(ip, 0);
    std::copy(r.ipv4, r.ipv4 + 4, out);
}

std::vector<uint8_t> bytes(const char* ip) {
    uint8_t b[4];
    put(ip, b);
    return {b, b + 4};
}

TEST(SystemReach, OnlyASystemAloneOnTheInterfacesNetworkIsReached) {
    std::vector<SystemRecord> found = {at("198.51.100.50", 1), at("198.51.100.50", 1)};  // one system, twice
    for (uint8_t i = 10; i < 15; ++i) found.push_back(at("198.51.100.70", i));  // a factory batch
    struct Case { const char* pc; const char* mask; const char* system; Reach reach; std::string why; } cases[] = {
        {"198.51.100.1", "255.255.255.0", "198.51.100.50", Reach::Reachable, ""},
        {"203.0.113.1", "255.255.255.0", "198.51.100.77", Reach::OutsideNetwork, "198.51.100.77 is not on the network of tp0 ("
         "203.0.113.1/24): give the system an address on that network first"},
        {"198.51.100.1", "255.255.255.128", "198.51.100.127", Reach::Reachable, ""},
        {"198.51.100.1", "255.255.255.128", "198.51.100.128", Reach::OutsideNetwork, ""},
        {"198.51.100.1", "255.255.0.255", "198.51.100.50", Reach::OutsideNetwork, ""},  // unreadable mask: /32
        {"198.51.100.1", "255.255.255.0", "198.51.100.70", Reach::SharedAddress, "198.51.100.70 is answered by 5 "
         "systems (MACs 02:00:00:00:00:0a, 02:00:00:00:00:0b, 02:00:00:00:00:0c, 02:00:00:00:00:0d and 1 more): "
         "give each its own address first"},
        {"0.0.0.0", "", "198.51.100.50", Reach::NoInterfaceAddress, "198.51.100.50 cannot be reached: tp0 has no IPv4 "
         "address; give the PC an address on the system's network first"},
    };
    for (const Case& c : cases) {
        InterfaceRecord nic{};
        std::snprintf(nic.netmask_text, sizeof nic.netmask_text, "%s", c.mask);
        const SystemRecord pc = at(c.pc, 0);
        std::copy(pc.ipv4, pc.ipv4 + 4, nic.ipv4);
        const ReachCheck check = check_reach(at(c.system, 9).ipv4, interface_network(nic, "tp0"), found);
        EXPECT_EQ(check.reach, c.reach) << c.system << " from " << c.pc << "/" << c.mask;
        if (!c.why.empty()) {
            EXPECT_EQ(check.why, c.why);
        }
    }
}

// A PC with an address on the factory network beside its own: systems on either network
// are reached (from the PC's address on theirs), and each network's edges follow its own
// mask, not the last octet.
TEST(SystemReach, EveryNetworkOfTheInterfaceCountsByItsOwnMask) {
    struct Net { const char* address; const char* mask; };
    struct Case {
        std::vector<Net> nets;
        const char* system;
        Reach reach;
        HostPart part;
        const char* source;  // where a connection to it leaves from
    };
    const std::vector<Net> halves = {{"203.0.113.1", "255.255.255.128"}, {"203.0.113.129", "255.255.255.128"}};
    const Case cases[] = {
        {halves, "203.0.113.20", Reach::Reachable, HostPart::Host, "203.0.113.1"},
        {halves, "203.0.113.200", Reach::Reachable, HostPart::Host, "203.0.113.129"},
        {halves, "203.0.113.0", Reach::Reachable, HostPart::NetworkAddress, "203.0.113.1"},
        {halves, "203.0.113.127", Reach::Reachable, HostPart::BroadcastAddress, "203.0.113.1"},
        {halves, "203.0.113.128", Reach::Reachable, HostPart::NetworkAddress, "203.0.113.129"},
        {halves, "203.0.113.255", Reach::Reachable, HostPart::BroadcastAddress, "203.0.113.129"},
        {halves, "198.51.100.5", Reach::OutsideNetwork, HostPart::OffNetwork, "203.0.113.129"},
        {{{"198.51.100.1", "255.255.255.0"}}, "198.51.100.255", Reach::Reachable, HostPart::BroadcastAddress, "198.51.100.1"},
        {{{"198.51.100.1", "255.255.255.0"}}, "198.51.100.254", Reach::Reachable, HostPart::Host, "198.51.100.1"},
        {{{"198.51.100.1", "255.255.0.0"}}, "198.51.3.255", Reach::Reachable, HostPart::Host, "198.51.100.1"},
        {{{"198.51.100.1", "255.255.255.254"}}, "198.51.100.0", Reach::Reachable, HostPart::Host, "198.51.100.1"},
        {{{"198.51.100.1", "255.255.255.255"}}, "198.51.100.1", Reach::Reachable, HostPart::Host, "198.51.100.1"},
        {{{"198.51.100.1", "0.0.0.0"}}, "198.51.100.2", Reach::OutsideNetwork, HostPart::OffNetwork, "198.51.100.1"},
        {{{"198.51.100.1", "255.0.255.0"}}, "198.51.100.2", Reach::OutsideNetwork, HostPart::OffNetwork, "198.51.100.1"},
        {{}, "198.51.100.2", Reach::NoInterfaceAddress, HostPart::OffNetwork, "0.0.0.0"},
    };
    for (const Case& c : cases) {
        InterfaceRecord nic{};
        for (const Net& n : c.nets) {
            InterfaceAddress& a = nic.addresses[nic.address_count++];
            put(n.address, a.ipv4);
            put(n.mask, a.netmask);
            std::copy(a.ipv4, a.ipv4 + 4, nic.ipv4);  // the fields hold the last
        }
        const InterfaceNetwork network = interface_network(nic, "tp0");
        const SystemRecord system = at(c.system, 9);
        EXPECT_EQ(check_reach(system.ipv4, network, {system}).reach, c.reach) << c.system;
        EXPECT_EQ(host_part(system.ipv4, network), c.part) << c.system;
        uint8_t source[4];
        source_toward(nic, system.ipv4, source);
        EXPECT_EQ(std::vector<uint8_t>(source, source + 4), bytes(c.source)) << c.system;
    }
    InterfaceRecord two{};
    two.address_count = 2;
    put("203.0.113.1", two.addresses[0].ipv4);
    put("203.0.113.129", two.addresses[1].ipv4);
    two.addresses[0].netmask[0] = two.addresses[1].netmask[0] = 255;
    EXPECT_EQ(check_reach(at("198.51.100.5", 0).ipv4, interface_network(two, "tp0"), {}).why,
              "198.51.100.5 is not on any network of tp0 (203.0.113.1/8, 203.0.113.129/8): give the system an "
              "address on one of them first");
}

}  // namespace

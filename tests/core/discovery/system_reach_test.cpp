// An update aimed past the interface's network, or at an address two systems answer,
// would go out the wrong cable or flash the wrong system: the check must say so first.
#include "discovery/system_reach.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

SystemRecord at(const char* ip, uint8_t mac_byte) {
    SystemRecord r{};
    unsigned b[4] = {};
    std::sscanf(ip, "%u.%u.%u.%u", &b[0], &b[1], &b[2], &b[3]);
    for (int i = 0; i < 4; ++i) r.ipv4[i] = static_cast<uint8_t>(b[i]);
    r.reply_headers[6] = 0x02, r.reply_headers[11] = mac_byte;
    return r;
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

}  // namespace

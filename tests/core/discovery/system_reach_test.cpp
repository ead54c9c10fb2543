// An update aimed past the interface's network, or at an address two systems answer,
// would go out the wrong cable or flash the wrong system: the check must say so first.
#include "discovery/system_reach.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {

SystemRecord system_at(const char* ip, uint8_t last_mac_byte) {
    SystemRecord r{};
    unsigned b[4];
    std::sscanf(ip, "%u.%u.%u.%u", &b[0], &b[1], &b[2], &b[3]);
    for (int i = 0; i < 4; ++i) r.ipv4[i] = static_cast<uint8_t>(b[i]);
    const uint8_t mac[6] = {0x02, 0x7a, 0x10, 0x0b, 0x00, last_mac_byte};
    std::memcpy(r.reply_headers + 6, mac, 6);
    return r;
}

InterfaceNetwork network_of(const char* ip, const char* mask) {
    InterfaceRecord nic{};
    std::snprintf(nic.netmask_text, sizeof nic.netmask_text, "%s", mask);
    if (*ip) std::memcpy(nic.ipv4, system_at(ip, 0).ipv4, 4);
    return interface_network(nic, "tp0");
}

TEST(SystemReach, OnlyASystemAloneOnTheInterfacesNetworkIsReached) {
    // 198.51.100.50 answered twice by one system (one MAC), 198.51.100.60 by two.
    const std::vector<SystemRecord> found = {system_at("198.51.100.50", 1), system_at("198.51.100.50", 1),
                                             system_at("198.51.100.60", 2), system_at("198.51.100.60", 3)};
    struct Case {
        const char* pc;
        const char* mask;
        const char* system;
        Reach reach;
        const char* why;
    } cases[] = {
        {"198.51.100.1", "255.255.255.0", "198.51.100.50", Reach::Reachable, ""},
        {"198.51.100.1", "255.255.255.0", "198.51.100.255", Reach::Reachable, ""},
        {"203.0.113.1", "255.255.255.0", "198.51.100.77",  Reach::OutsideNetwork,
         "198.51.100.77 is not on the network of tp0 (203.0.113.1/24): give the system an address on that network first"},
        {"198.51.100.1", "255.255.255.128", "198.51.100.127", Reach::Reachable, ""},
        {"198.51.100.1", "255.255.255.128", "198.51.100.128", Reach::OutsideNetwork,
         "198.51.100.128 is not on the network of tp0 (198.51.100.1/25): give the system an address on that network first"},
        {"198.51.100.200", "255.255.255.128", "198.51.100.127", Reach::OutsideNetwork, nullptr},
        {"198.51.100.1", "255.255.0.255", "198.51.100.50", Reach::OutsideNetwork, nullptr},  // odd mask: /32
        {"198.51.100.1", "0.0.0.0", "203.0.113.9", Reach::Reachable, ""},
        {"198.51.100.1", "255.255.255.0", "198.51.100.60", Reach::SharedAddress,
         "198.51.100.60 is answered by 2 systems (MACs 02:7a:10:0b:00:02, 02:7a:10:0b:00:03): give each its own address first"},
        {"", "", "198.51.100.50", Reach::NoInterfaceAddress,
         "198.51.100.50 cannot be reached: tp0 has no IPv4 address; give the PC an address on the system's network first"},
    };
    for (const Case& c : cases) {
        const ReachCheck check = check_reach(system_at(c.system, 9).ipv4, network_of(c.pc, c.mask), found);
        EXPECT_EQ(check.reach, c.reach) << c.system << " from " << c.pc << "/" << c.mask;
        if (c.why) {
            EXPECT_EQ(check.why, c.why);
        }
    }
}

TEST(SystemReach, AFactoryBatchIsNamedWithoutAThousandMacs) {
    std::vector<SystemRecord> found;
    for (int i = 1; i <= 250; ++i) found.push_back(system_at("198.51.100.50", static_cast<uint8_t>(i)));
    const ReachCheck check = check_reach(found[0].ipv4, network_of("198.51.100.1", "255.255.255.0"), found);
    EXPECT_EQ(check.why, "198.51.100.50 is answered by 250 systems (MACs 02:7a:10:0b:00:01, 02:7a:10:0b:00:02, "
                         "02:7a:10:0b:00:03, 02:7a:10:0b:00:04 and 246 more): give each its own address first");
}

}  // namespace

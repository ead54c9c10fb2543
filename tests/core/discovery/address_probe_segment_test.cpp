// The address check on a virtual segment (root, namespaces): a plain host and a
// simulated system answer for their addresses, nobody for the free ones, also with 250
// addresses checked at once. Durations are printed, not judged.
#include "discovery/address_probe.h"
#include "discovery/interface_list.h"
#include "support/segment_harness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

Ipv4Address address_of(const std::string& text) {
    unsigned int a = 0, b = 0, c = 0, d = 0;
    std::sscanf(text.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d);
    return {static_cast<uint8_t>(a), static_cast<uint8_t>(b), static_cast<uint8_t>(c), static_cast<uint8_t>(d)};
}

std::vector<MacAddress> held_by(const uint8_t mac[6]) { return {{mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]}}; }

ProbeReport timed_probe(const std::vector<Ipv4Address>& addresses) {
    const auto start = std::chrono::steady_clock::now();
    const ProbeReport report = probe_addresses(segment_interface(), addresses);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    std::printf("a probe of %zu address%s took %.0f ms\n", addresses.size(), addresses.size() == 1 ? "" : "es",
                took.count());
    EXPECT_EQ(report.outcome, ProbeOutcome::Checked);
    EXPECT_EQ(report.addresses.size(), addresses.size());
    return report;
}

TEST(AddressProbeSegment, HoldersAreReportedForOneAddressAndForMany) {
    PERABO_INSIDE_SEGMENT(SegmentLayout(1).with_hosts({"198.51.100.60"}));
    const SimulatedSystem system = segment_systems().at(0);
    const SegmentHost host = segment_hosts().at(0);
    EXPECT_EQ(timed_probe({address_of(host.ip_text)}).addresses.at(0).holders, held_by(host.mac));

    // Together: the plain host's and the simulated system's addresses held, the rest free.
    std::vector<Ipv4Address> asked;
    for (int last = 2; last <= 251; ++last) asked.push_back({198, 51, 100, static_cast<uint8_t>(last)});
    const ProbeReport report = timed_probe(asked);
    ASSERT_EQ(report.addresses.size(), asked.size());
    for (size_t i = 0; i < asked.size(); ++i) {
        std::vector<MacAddress> expected;
        if (asked[i] == address_of(host.ip_text)) expected = held_by(host.mac);
        if (asked[i] == address_of(system.ip_text)) expected = held_by(system.mac);
        EXPECT_EQ(report.addresses[i].address, asked[i]);
        EXPECT_EQ(report.addresses[i].holders, expected) << "198.51.100." << int(asked[i][3]);
    }
}

}  // namespace

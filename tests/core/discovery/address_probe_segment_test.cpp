// The address check on a virtual segment (root, namespaces): a plain host and a
// simulated system answer for their addresses, the PC's kernel for the PC's own (it
// hears the PC's probes, as Windows does), nobody for the free ones, also with 250
// addresses checked through a transmit queue of 20 frames that all of them at once
// overflow, in bursts or waited out. Durations are printed, not judged.
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

ProbeReport timed_probe(const std::vector<Ipv4Address>& addresses, const ProbeSettings& settings = {}) {
    const auto start = std::chrono::steady_clock::now();
    const ProbeReport report = probe_addresses(segment_interface(), addresses, settings);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    std::printf("a probe of %zu address%s in bursts of %u took %.0f ms\n", addresses.size(),
                addresses.size() == 1 ? "" : "es", settings.burst_size, took.count());
    EXPECT_EQ(report.outcome, ProbeOutcome::Checked);
    EXPECT_EQ(report.addresses.size(), addresses.size());
    return report;
}

TEST(AddressProbeSegment, HoldersAreReportedForOneAddressAndForManyThroughASmallQueue) {
    PERABO_INSIDE_SEGMENT(SegmentLayout(1)
                              .with_hosts({"198.51.100.60"})
                              .with_pc_addresses({"198.51.100.77/24"})
                              .with_pc_queue(20)
                              .hearing_itself());
    const SimulatedSystem system = segment_systems().at(0);
    const SegmentHost host = segment_hosts().at(0);
    const InterfaceRecord pc = segment_interface();
    EXPECT_EQ(timed_probe({address_of(host.ip_text)}).addresses.at(0).holders, held_by(host.mac));

    std::vector<Ipv4Address> asked;
    for (int last = 1; last <= 250; ++last) asked.push_back({198, 51, 100, static_cast<uint8_t>(last)});
    // All at once, as one burst, and nothing sent again: the queue refuses the rest.
    ProbeSettings at_once;
    at_once.burst_size = 1000;
    at_once.resend_limit_ms = 0;
    EXPECT_EQ(probe_addresses(pc, asked, at_once).outcome, ProbeOutcome::SendFailed);

    // Waited out, all at once; and in bursts, which fit without a wait. The plain
    // host's, the simulated system's and the PC's addresses held, the rest free.
    at_once.resend_limit_ms = ProbeSettings{}.resend_limit_ms;
    ProbeSettings paced;
    paced.resend_limit_ms = 0;
    for (const ProbeSettings& settings : {at_once, paced}) {
        const ProbeReport report = timed_probe(asked, settings);
        ASSERT_EQ(report.addresses.size(), asked.size());
        for (size_t i = 0; i < asked.size(); ++i) {
            std::vector<MacAddress> expected;
            if (asked[i] == address_of(host.ip_text)) expected = held_by(host.mac);
            if (asked[i] == address_of(system.ip_text)) expected = held_by(system.mac);
            if (asked[i][3] == 1 || asked[i][3] == 77) expected = held_by(pc.mac);
            EXPECT_EQ(report.addresses[i].address, asked[i]);
            EXPECT_EQ(report.addresses[i].holders, expected) << "198.51.100." << int(asked[i][3]);
        }
    }
}

}  // namespace

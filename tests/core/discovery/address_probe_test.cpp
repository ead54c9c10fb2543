// Which ARP frames claim an address, and an address check that cannot run: it says
// why through the sink and claims nothing. No case opens a device that exists.
#include "discovery/address_probe.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const uint8_t PcMac[6] = {0x02, 0x7a, 0x10, 0x0d, 0x00, 0x01};
const uint8_t HostMac[6] = {0x00, 0x1b, 0x21, 0x0a, 0x0b, 0x0c};
const Ipv4Address Asked = {198, 51, 100, 60};

ArpFields arp(ArpOperation operation, const uint8_t* sender_mac, Ipv4Address sender, Ipv4Address target) {
    ArpFields fields{operation, {}, {}, {}, {}};
    std::memcpy(fields.sender_mac, sender_mac, 6);
    std::memcpy(fields.sender_ipv4, sender.data(), 4);
    std::memcpy(fields.target_ipv4, target.data(), 4);
    return fields;
}

TEST(AddressProbe, OnlyAnotherHostsClaimCounts) {
    const Ipv4Address none = {0, 0, 0, 0}, pc = {198, 51, 100, 1}, other = {198, 51, 100, 61};
    struct Case {
        const char* what;
        ArpFields fields;
        bool claims;
    };
    const Case cases[] = {
        {"its reply", arp(ArpOperation::Reply, HostMac, Asked, none), true},
        {"its announcement", arp(ArpOperation::Request, HostMac, Asked, Asked), true},
        {"its request for another host", arp(ArpOperation::Request, HostMac, Asked, pc), true},
        {"its own probe for the address", arp(ArpOperation::Request, HostMac, none, Asked), true},
        {"a request for the address from another one", arp(ArpOperation::Request, HostMac, pc, Asked), false},
        {"a reply for another address", arp(ArpOperation::Reply, HostMac, other, none), false},
        {"a probe for another address", arp(ArpOperation::Request, HostMac, none, other), false},
        {"a reply with a zero sender", arp(ArpOperation::Reply, HostMac, none, Asked), false},
        {"our own probe", arp(ArpOperation::Request, PcMac, none, Asked), false},
        {"our own frame from the address", arp(ArpOperation::Reply, PcMac, Asked, none), false},
    };
    for (const Case& c : cases) EXPECT_EQ(claims_address(c.fields, Asked, PcMac), c.claims) << c.what;
}

InterfaceRecord interface_named(const char* device, const uint8_t mac[6]) {
    InterfaceRecord nic{};
    std::strcpy(nic.device_name, device);
    std::memcpy(nic.mac, mac, 6);
    return nic;
}

TEST(AddressProbe, AnInterfaceItCannotUseIsANamedOutcome) {
    const uint8_t unknown[6] = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff}, zero[6] = {};
    const struct {
        InterfaceRecord nic;
        ProbeOutcome expected;
        const char* said;
    } cases[] = {
        {interface_named("", PcMac), ProbeOutcome::NoDevice, "no capture device"},
        {interface_named("nosuch0", unknown), ProbeOutcome::NoMac, "nosuch0 has no known MAC"},
        {interface_named("nosuch0", zero), ProbeOutcome::NoMac, "nosuch0 has no known MAC"},
        {interface_named("nosuch0", PcMac), ProbeOutcome::OpenFailed, "Unable to open nosuch0"},
    };
    for (const auto& c : cases) {
        std::string lines;
        const DiagnosticSink sink = [&lines](DiagnosticStream stream, const std::string& line) {
            if (stream == DiagnosticStream::Err) lines += line;
        };
        testing::internal::CaptureStderr();
        const ProbeReport report = probe_addresses(c.nic, {Asked, {198, 51, 100, 61}}, {}, sink);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << c.said;
        EXPECT_EQ(report.outcome, c.expected) << c.said;
        EXPECT_NE(lines.find(c.said), std::string::npos) << lines;
        ASSERT_EQ(report.addresses.size(), 2u);
        EXPECT_EQ(report.addresses[0].address, Asked);
        for (const AddressHolders& entry : report.addresses) EXPECT_TRUE(entry.holders.empty()) << c.said;
    }
}

}  // namespace

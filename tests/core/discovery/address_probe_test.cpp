// Which ARP frames claim an address, when each probe leaves and whether a failed send
// is tried again, and an address check that cannot run: it says why through the sink
// and claims nothing. No case opens a device that exists.
#include "discovery/address_probe.h"

#include <gtest/gtest.h>

#include <vector>

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

TEST(AddressProbe, AClaimCountsFromAnyHostOurOwnProbesNever) {
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
        {"the PC's kernel answering for the address", arp(ArpOperation::Reply, PcMac, Asked, none), true},
        {"the PC's kernel asking from the address", arp(ArpOperation::Request, PcMac, Asked, pc), true},
        {"the PC's kernel answering for another address", arp(ArpOperation::Reply, PcMac, pc, none), false},
        {"the PC's kernel asking for the address", arp(ArpOperation::Request, PcMac, pc, Asked), false},
    };
    for (const Case& c : cases) EXPECT_EQ(claims_address(c.fields, Asked, PcMac), c.claims) << c.what;
}

TEST(AddressProbe, ProbesLeaveInBurstsAndOneAddresssProbesStayAnIntervalApart) {
    const ProbeSettings defaults;  // 10 a burst, 10 ms apart, rounds 150 ms apart at least
    ProbeSettings one_by_one;
    one_by_one.burst_size = 0;  // taken as 1
    one_by_one.burst_gap_ms = 4;
    const struct {
        const ProbeSettings& settings;
        size_t count;
        uint32_t round;
        size_t index;
        uint64_t leaves_ms;
    } cases[] = {
        {defaults, 1, 0, 0, 0},        {defaults, 1, 1, 0, 150},     {defaults, 1, 2, 0, 300},
        {defaults, 250, 0, 9, 0},      {defaults, 250, 0, 10, 10},   {defaults, 250, 0, 249, 240},
        {defaults, 250, 1, 0, 250},    {defaults, 250, 2, 249, 740}, {defaults, 150, 1, 0, 150},
        {defaults, 151, 1, 0, 160},    {defaults, 151, 0, 150, 150}, {defaults, 4096, 2, 4095, 12290},
        {one_by_one, 3, 0, 2, 8},      {one_by_one, 40, 1, 1, 164},
    };
    for (const auto& c : cases)
        EXPECT_EQ(probe_departure_ms(c.settings, c.count, c.round, c.index), c.leaves_ms)
            << c.count << " addresses, round " << c.round << ", address " << c.index;
}

TEST(AddressProbe, AFullQueueIsWaitedOutForALimitedTime) {
    const ProbeSettings settings;  // gives up after 1000 ms
    const struct {
        FrameSend failure;
        uint32_t attempts;
        uint64_t failing_ms;
        bool again;
        uint32_t wait_ms;
    } cases[] = {
        {FrameSend::TryAgain, 1, 0, true, 1},     {FrameSend::TryAgain, 2, 1, true, 2},
        {FrameSend::TryAgain, 3, 3, true, 4},     {FrameSend::TryAgain, 5, 15, true, 16},
        {FrameSend::TryAgain, 6, 31, true, 16},   {FrameSend::TryAgain, 90, 500, true, 16},
        {FrameSend::TryAgain, 0, 0, true, 1},     {FrameSend::TryAgain, 70, 990, true, 10},
        {FrameSend::TryAgain, 70, 999, true, 1},  {FrameSend::TryAgain, 70, 1000, false, 0},
        {FrameSend::Failed, 1, 0, false, 0},      {FrameSend::Sent, 1, 0, false, 0},
    };
    for (const auto& c : cases) {
        const Resend resend = resend_after(c.failure, c.attempts, c.failing_ms, settings);
        EXPECT_EQ(resend.again, c.again) << "attempt " << c.attempts << " after " << c.failing_ms << " ms";
        EXPECT_EQ(resend.wait_ms, c.wait_ms) << "attempt " << c.attempts << " after " << c.failing_ms << " ms";
    }
}

// A frame is sent again while the queue is full, until it is taken, another failure
// comes, the waits reach the limit, or a wait fails (reading the answers).
TEST(AddressProbe, AFrameGoesAgainUntilItIsTaken) {
    using F = FrameSend;
    ProbeSettings settings;
    settings.resend_limit_ms = 20;
    struct Case { std::vector<F> sends; bool wait_fails; Resent ended; std::vector<uint32_t> waits; };
    const Case cases[] = {
        {{F::Sent}, false, Resent::Sent, {}},
        {{F::TryAgain, F::Sent}, false, Resent::Sent, {1}},
        {{F::TryAgain, F::TryAgain, F::TryAgain, F::Sent}, false, Resent::Sent, {1, 2, 4}},
        {{F::Failed}, false, Resent::GaveUp, {}},
        {{F::TryAgain, F::Failed}, false, Resent::GaveUp, {1}},
        {{F::TryAgain, F::TryAgain, F::TryAgain, F::TryAgain, F::TryAgain, F::TryAgain}, false, Resent::GaveUp,
         {1, 2, 4, 8, 5}},  // 20 ms of waits: the limit
        {{F::TryAgain, F::Sent}, true, Resent::WaitFailed, {1}},
    };
    for (const Case& c : cases) {
        size_t next = 0;
        std::vector<uint32_t> waits;
        const auto send = [&] { return next < c.sends.size() ? c.sends[next++] : F::TryAgain; };
        const auto wait = [&](uint32_t ms) {
            waits.push_back(ms);
            return !c.wait_fails;
        };
        EXPECT_EQ(send_until_taken(send, wait, settings), c.ended) << "case " << (&c - cases);
        EXPECT_EQ(waits, c.waits) << "case " << (&c - cases);
    }
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

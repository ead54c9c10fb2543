// The discovery core on a virtual segment (root, namespaces), called as any front end
// calls it: an interface from the list, a scan's systems returned, an address change
// to one system; no window and no process-wide table in between.
#include "discovery/address_change.h"
#include "discovery/discovery_scan.h"
#include "discovery/interface_list.h"
#include "support/segment_harness.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

const SystemRecord* with_mac(const std::vector<SystemRecord>& found, const uint8_t mac[6]) {
    for (const SystemRecord& s : found)
        if (std::memcmp(system_mac(s), mac, 6) == 0) return &s;
    return nullptr;
}

// The lines a scan has to say, kept instead of printed.
struct Said {
    std::string lines;
    DiagnosticSink sink() {
        return [this](DiagnosticStream, const std::string& line) { lines += line; };
    }
};

TEST(DiscoveryCore, ScanReturnsEverySystemOnce) {
    PERABO_INSIDE_SEGMENT(3);
    const InterfaceRecord nic = segment_interface();
    ScanReport report;
    Said said;
    const std::vector<SystemRecord> found = scan_systems(nic, &report, {}, said.sink());
    EXPECT_EQ(report.end, ScanEnd::Silence);
    EXPECT_EQ(said.lines, "") << "an ordinary scan has nothing to say";
    const std::vector<SimulatedSystem> systems = segment_systems();
    ASSERT_EQ(found.size(), systems.size());
    for (const SimulatedSystem& s : systems) {
        const SystemRecord* r = with_mac(found, s.mac);
        ASSERT_NE(r, nullptr) << s.ip_text;
        EXPECT_EQ(r->ip_text, s.ip_text);
        EXPECT_EQ(r->type_text, s.type);
        EXPECT_EQ(r->firmware_text, s.firmware);
    }
}

// A front end's store is handed at most the scan's limit of answers; the rest are counted.
TEST(DiscoveryCore, AStoreIsNeverHandedMoreThanTheLimit) {
    PERABO_INSIDE_SEGMENT(30, 0, true, {}, true);
    ScanSettings settings;
    settings.record_limit = 25;
    int handed = 0;
    const ScanReport report = run_scan(segment_interface(), settings, [&handed](const SystemRecord&) {
        ++handed;
        return AnswerStore::Stored;
    });
    EXPECT_EQ(handed, 25);
    EXPECT_EQ(report.answers, 30);
    EXPECT_EQ(report.over_limit, 5);
}

// What went wrong reaches the front end through its sink, never the terminal directly.
TEST(DiscoveryCore, AnInterfaceThatCannotOpenIsReportedThroughTheSink) {
    PERABO_INSIDE_SEGMENT(1);
    InterfaceRecord nic = segment_interface();
    std::strcpy(nic.device_name, "nosuch0");
    Said said;
    testing::internal::CaptureStderr();
    const ScanReport report = run_scan(nic, {}, [](const SystemRecord&) { return AnswerStore::Stored; }, said.sink());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(report.end, ScanEnd::CaptureFailed);
    EXPECT_NE(said.lines.find("No such device"), std::string::npos) << said.lines;
}

// The command goes to the named system's own MAC and address: the other system, on the
// same segment, keeps its address.
TEST(DiscoveryCore, AnAddressChangeMovesOnlyTheSystemItNames) {
    PERABO_INSIDE_SEGMENT(2);
    const InterfaceRecord nic = segment_interface();
    const std::vector<SimulatedSystem> systems = segment_systems();
    const std::vector<SystemRecord> before = scan_systems(nic);
    const SystemRecord* target = with_mac(before, systems[1].mac);
    ASSERT_NE(target, nullptr);
    const char* const octets[4] = {"198", "51", "100", "077"};
    ASSERT_EQ(send_ipaddr(nic, *target, octets), 0);
    const std::vector<SystemRecord> after = scan_systems(nic);
    ASSERT_EQ(after.size(), 2u);
    EXPECT_STREQ(with_mac(after, systems[1].mac)->ip_text, "198.51.100.77");
    EXPECT_EQ(with_mac(after, systems[0].mac)->ip_text, systems[0].ip_text);
}

// From the factory, one simulator each: the second wave (system 3) comes 6 s after its
// start, system 1 is unplugged from 6 s to 9 s and comes back as it was.
TEST(DiscoveryCore, AScanShowsASystemOnlyWhilePluggedIn) {
    PERABO_INSIDE_SEGMENT(
        SegmentLayout(3, 0, true, {}, false, {{1, {"--away", "6000:3000"}}}).from_factory().in_waves(2, 6000));
    const std::vector<SimulatedSystem> systems = segment_systems();
    ASSERT_EQ(systems.size(), 3u);
    EXPECT_EQ(systems[2].ip_text, "198.51.100.50");
    ScanSettings quick;
    quick.silence_ms = 1000;
    std::vector<SystemRecord> found;
    auto at = [&](int system) {  // where a scan found it, "" when it did not
        const SystemRecord* record = with_mac(found, systems[system - 1].mac);
        return std::string(record ? record->ip_text : "");
    };
    auto scan_until = [&](const std::function<bool()>& done) {
        for (int scan = 0; scan < 20; ++scan)
            if ((found = scan_systems(segment_interface(), nullptr, quick), done())) return true;
        return false;
    };
    ASSERT_TRUE(scan_until([&] { return at(1) != "" && at(2) != ""; }));
    ASSERT_EQ(segment_system_log(3).find("plugged in"), std::string::npos) << "the first scan ended after the wave";
    EXPECT_EQ(at(3), "") << "not plugged in yet";
    const char* const octets[4] = {"198", "51", "100", "077"};
    ASSERT_EQ(send_ipaddr(segment_interface(), *with_mac(found, systems[0].mac), octets), 0);
    ASSERT_TRUE(scan_until([&] { return at(1) == "198.51.100.77"; }));
    ASSERT_TRUE(scan_until([&] { return at(1) == "" && at(2) != ""; })) << "system 1 never went away";
    EXPECT_NE(segment_system_log(1).find("unplugged"), std::string::npos) << segment_system_log(1);
    ASSERT_TRUE(scan_until([&] { return at(1) != "" && at(3) != ""; })) << "system 1 or the second wave never came";
    EXPECT_EQ(at(1), "198.51.100.77");
}

}  // namespace

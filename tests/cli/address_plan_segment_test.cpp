// Addresses handed out on a live segment: one another host holds is refused before
// anything is sent, and systems straight from the factory, all on one address, each
// get their own in one run.
#include "support/json_reader.h"
#include "support/run_program.h"
#include "support/segment_harness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

std::string mac_of(const uint8_t mac[6]) {
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return text;
}

std::string write_plan(const std::string& name, const std::string& text) {
    const std::string path = "/tmp/talvo-" + name + "-" + std::to_string(::getpid()) + ".txt";
    std::ofstream(path) << text;
    return path;
}

// Where each MAC answers, as a scan reads it.
std::map<std::string, std::string> addresses_by_mac() {
    std::vector<JsonObject> objects;
    read_json_objects(run_talvo({"scan", "-i", "talvo0", "--json"}).out, &objects);
    std::map<std::string, std::string> where;
    for (JsonObject& o : objects) where[o["mac"]] = o["ip"];
    return where;
}

// A PC on the segment holds .40: every way of giving it out is refused, naming the PC.
// Our PC has a second address (.77, listed last): its first is its own all the same.
TEST(AddressCheckOnSegment, AnAddressAnotherHostHoldsIsNeverSent) {
    PERABO_INSIDE_SEGMENT(SegmentLayout(2).with_hosts({"198.51.100.40"}).with_pc_addresses({"198.51.100.77/24"}));
    const std::vector<SimulatedSystem> systems = segment_systems();
    const std::string first = mac_of(systems[0].mac), second = mac_of(systems[1].mac);
    const std::string held = "198.51.100.40 is held by " + mac_of(segment_hosts()[0].mac);
    const std::string plan = write_plan("plan", "# line 1\n" + second + ",198.51.100.61\n" + first + ",198.51.100.40\n");
    const std::string typo = write_plan("typo", second + ",198.51.100.61\n" + first + " 198.51.100.62\n");
    struct Case {
        std::vector<std::string> args;
        std::string says;
    };
    const std::vector<Case> cases = {
        {{"set-ip", "-i", "talvo0", first, "198.51.100.40"}, held},
        {{"set-ip", "-i", "talvo0", first, "198.51.100.1"}, "198.51.100.1 is this PC's own address on talvo0"},
        {{"set-ip", "-i", "talvo0", first, "198.51.100.255"}, "198.51.100.255 is the broadcast address of 198.51.100.0/24"},
        {{"set-ip", "-i", "talvo0", "--plan", plan}, held},
        {{"set-ip", "-i", "talvo0", "--plan", typo}, "line 2 of the plan is not TARGET,NEW_IP"},
        {{"set-ip", "-i", "talvo0", "--range", "198.51.100.39-198.51.100.40", "--all"}, "too few free addresses"},
    };
    for (const Case& c : cases) {
        const ProgramRun run = run_talvo(c.args);
        EXPECT_EQ(run.exit_code, 2) << c.args[3] << ": " << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    }
    std::remove(plan.c_str());
    std::remove(typo.c_str());
    for (int i = 1; i <= 2; ++i)
        EXPECT_EQ(segment_system_log(i).find("IPADDR"), std::string::npos) << "system " << i << " got an address";
}

// Four systems share the factory address: a plan by MAC moves each to its own in one run.
TEST(AddressCheckOnSegment, APlanGivesEachFactorySystemItsOwnAddress) {
    PERABO_INSIDE_SEGMENT(SegmentLayout(4).at_one_address());
    std::string text = "# commissioning\n";
    std::map<std::string, std::string> wanted;
    for (const SimulatedSystem& s : segment_systems()) {
        wanted[mac_of(s.mac)] = "198.51.100." + std::to_string(60 + wanted.size());
        text += mac_of(s.mac) + "," + wanted[mac_of(s.mac)] + "\n\n";
    }
    const std::string plan = write_plan("factory", text);
    const ProgramRun run = run_talvo({"set-ip", "-i", "talvo0", "--plan", plan, "--json"});
    std::remove(plan.c_str());
    EXPECT_EQ(run.exit_code, 0) << run.err;
    std::vector<JsonObject> records;
    ASSERT_TRUE(read_json_objects(run.out, &records)) << run.out;
    EXPECT_EQ(records.size(), 4u);
    for (JsonObject& r : records) EXPECT_EQ(r["address_after"], wanted[r["mac"]]) << r["mac"];
    EXPECT_EQ(addresses_by_mac(), wanted);
}

// A range hands out free addresses in serial order, skipping the one a PC holds.
TEST(AddressCheckOnSegment, ARangeSkipsAnAddressInUse) {
    PERABO_INSIDE_SEGMENT(SegmentLayout(3).at_one_address().with_hosts({"198.51.100.61"}));
    const ProgramRun run = run_talvo({"set-ip", "-i", "talvo0", "--range", "198.51.100.60-198.51.100.70", "--all"});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    const std::vector<SimulatedSystem> systems = segment_systems();  // serial numbers count up with MACs
    const std::map<std::string, std::string> expected = {{mac_of(systems[0].mac), "198.51.100.60"},
                                                         {mac_of(systems[1].mac), "198.51.100.62"},
                                                         {mac_of(systems[2].mac), "198.51.100.63"}};
    EXPECT_EQ(addresses_by_mac(), expected);
}

}  // namespace

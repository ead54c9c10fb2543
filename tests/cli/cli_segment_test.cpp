// talvo itself on a virtual segment of simulated systems (root, namespaces): its
// listings read back as a script would, an address change, and the refusals that keep
// bad input from touching any system.
#include "../net/segment_harness.h"
#include "json_reader.h"
#include "run_program.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

std::string mac_text(const uint8_t mac[6]) {
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return text;
}

std::string serial_of(const uint8_t mac[6]) {
    return "K-R " + std::to_string(mac[3] * 65536 + mac[4] * 256 + mac[5]);
}

TEST(TalvoOnSegment, ScanListsEverySystemInEachFormat) {
    PERABO_INSIDE_SEGMENT(3);
    const std::vector<SimulatedSystem> systems = segment_systems();

    const ProgramRun json = run_talvo({"scan", "-i", "talvo0", "--json"});
    ASSERT_EQ(json.exit_code, 0) << json.err;
    std::vector<JsonObject> objects;
    ASSERT_TRUE(read_json_objects(json.out, &objects)) << json.out;
    ASSERT_EQ(objects.size(), systems.size());
    for (const SimulatedSystem& s : systems) {
        bool found = false;
        for (JsonObject& o : objects) {
            if (o["mac"] != mac_text(s.mac)) continue;
            found = true;
            EXPECT_EQ(o["ip"], s.ip_text);
            EXPECT_EQ(o["type"], s.type);
            EXPECT_EQ(o["firmware"], s.firmware);
            EXPECT_EQ(o["serial"], serial_of(s.mac));
        }
        EXPECT_TRUE(found) << s.ip_text;
    }

    const ProgramRun csv = run_talvo({"scan", "-i", "talvo0", "--csv"});
    ASSERT_EQ(csv.exit_code, 0) << csv.err;
    const auto rows = read_csv(csv.out);
    ASSERT_EQ(rows.size(), systems.size() + 1);
    std::set<std::string> macs;
    for (size_t r = 1; r < rows.size(); ++r) {
        ASSERT_EQ(rows[r].size(), 5u);
        macs.insert(rows[r][4]);
    }
    for (const SimulatedSystem& s : systems) EXPECT_EQ(macs.count(mac_text(s.mac)), 1u) << s.ip_text;

    const ProgramRun table = run_talvo({"scan", "-i", "talvo0"});
    ASSERT_EQ(table.exit_code, 0) << table.err;
    for (const SimulatedSystem& s : systems) {
        EXPECT_NE(table.out.find(s.ip_text), std::string::npos) << table.out;
        EXPECT_NE(table.out.find(mac_text(s.mac)), std::string::npos) << table.out;
    }
}

TEST(TalvoOnSegment, SetIpMovesTheSystemAndChecksItAnswersThere) {
    PERABO_INSIDE_SEGMENT(2);
    const std::vector<SimulatedSystem> systems = segment_systems();
    const ProgramRun moved = run_talvo({"set-ip", "-i", "talvo0", serial_of(systems[1].mac), "198.51.100.60"});
    ASSERT_EQ(moved.exit_code, 0) << moved.out << moved.err;
    EXPECT_NE(moved.out.find("now answers at 198.51.100.60"), std::string::npos) << moved.out;

    std::vector<JsonObject> objects;
    const ProgramRun scan = run_talvo({"scan", "-i", "talvo0", "--json"});
    ASSERT_TRUE(read_json_objects(scan.out, &objects)) << scan.out;
    std::set<std::string> addresses;
    for (JsonObject& o : objects) addresses.insert(o["ip"]);
    EXPECT_EQ(addresses, (std::set<std::string>{systems[0].ip_text, "198.51.100.60"}));
}

// Each refusal exits 2, names the problem, and leaves every system as it was.
TEST(TalvoOnSegment, BadInputIsRefusedBeforeAnythingIsSent) {
    PERABO_INSIDE_SEGMENT(2);
    const std::vector<SimulatedSystem> systems = segment_systems();
    const std::string first = systems[0].ip_text, second = systems[1].ip_text;
    struct Case {
        std::vector<std::string> args;
        const char* says;
    };
    const std::vector<Case> cases = {
        {{"scan", "-i", "nosuch0"}, "no interface named 'nosuch0'"},
        {{"set-ip", "-i", "talvo0", "02:7a:10:0b:00:99", "198.51.100.70"}, "no system found matches"},
        {{"set-ip", "-i", "talvo0", first, "127.0.0.5"}, "no system can take 127.0.0.5"},
        {{"set-ip", "-i", "talvo0", first, "198.51.100.256"}, "more than 255"},
        {{"set-ip", "-i", "talvo0", first, second}, "is taken by the system"},
        {{"update", "-i", "talvo0", "/nonexistent/fw.firm", first}, "/nonexistent/fw.firm"},
        {{"update", "-i", "talvo0", "/dev/zero", first}, "not a regular file"},
        {{"update", "-i", "talvo0", "/proc/self/status", "nomatch"}, "no system found matches 'nomatch'"},
        {{"update", "-i", "talvo0"}, "needs a FIRMWARE.firm"}};
    for (const Case& c : cases) {
        const ProgramRun run = run_talvo(c.args);
        EXPECT_EQ(run.exit_code, 2) << c.args.back() << ": " << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    }
    std::vector<JsonObject> objects;
    ASSERT_TRUE(read_json_objects(run_talvo({"scan", "-i", "talvo0", "--json"}).out, &objects));
    std::set<std::string> addresses;
    for (JsonObject& o : objects) addresses.insert(o["ip"]);
    EXPECT_EQ(addresses, (std::set<std::string>{first, second})) << "no system moved";
}

// Systems that share an address cannot be told apart by it.
TEST(TalvoOnSegment, ATargetMatchingSeveralSystemsIsRefused) {
    // Past .254 the simulated addresses start again at .11: system 245 shares .11.
    PERABO_INSIDE_SEGMENT(245, 0, true, {}, true);
    const ProgramRun run = run_talvo({"set-ip", "-i", "talvo0", "198.51.100.11", "198.51.100.9"});
    EXPECT_EQ(run.exit_code, 2) << run.err;
    EXPECT_NE(run.err.find("matches 2 systems"), std::string::npos) << run.err;
}

}  // namespace

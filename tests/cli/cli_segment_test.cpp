// talvo itself on a virtual segment of simulated systems (root, namespaces): its
// listings read back as a script would, an address change, and the refusals that keep
// bad input from touching any system.
#include "core_link/update_seams.h"
#include "core_link/update_sequence.h"
#include "support/json_reader.h"
#include "support/record_dir.h"
#include "support/run_program.h"
#include "support/segment_harness.h"
#include "toolkit/resource_path.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
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

// The PC has two networks on talvo0 (198.51.100.1/25, where the systems are, and
// 198.51.100.129/25 listed last): both are its own, and a system on either is reached.
TEST(TalvoOnSegment, ScanListsEverySystemInEachFormat) {
    PERABO_INSIDE_SEGMENT(SegmentLayout(3).with_pc_prefix(25).with_pc_addresses({"198.51.100.129/25"}));
    const std::vector<SimulatedSystem> systems = segment_systems();
    std::vector<JsonObject> interfaces;
    ASSERT_TRUE(read_json_objects(run_talvo({"interfaces", "--json"}).out, &interfaces));
    bool listed = false;
    for (JsonObject& nic : interfaces) {
        if (nic["name"] != "talvo0") continue;
        listed = true;
        EXPECT_EQ(nic["addresses.0.ipv4"] + "/" + nic["addresses.0.mask"], "198.51.100.1/255.255.255.128");
        EXPECT_EQ(nic["addresses.1.ipv4"] + "/" + nic["addresses.1.mask"], "198.51.100.129/255.255.255.128");
    }
    EXPECT_TRUE(listed);

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
            EXPECT_EQ(o["on_network"], "true") << "the first of talvo0's networks";
        }
        EXPECT_TRUE(found) << s.ip_text;
    }

    const ProgramRun csv = run_talvo({"scan", "-i", "talvo0", "--csv"});
    ASSERT_EQ(csv.exit_code, 0) << csv.err;
    const auto rows = read_csv(csv.out);
    ASSERT_EQ(rows.size(), systems.size() + 1);
    std::set<std::string> macs;
    for (size_t r = 1; r < rows.size(); ++r) {
        ASSERT_EQ(rows[r].size(), 7u);
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

// Done only when the system answers at its new address; one that drops the command
// (system 1 here) still answers at its old one, and that is a failure.
TEST(TalvoOnSegment, SetIpMovesTheSystemAndChecksItAnswersThere) {
    PERABO_INSIDE_SEGMENT(2, 0, true, {}, false, {{1, {"--ignore-ipaddr"}}});
    const std::vector<SimulatedSystem> systems = segment_systems();
    struct Case {
        std::string target, address;
        int exit_code;
        std::string says;
    };
    const Case cases[] = {
        // Written with a leading zero: sent, probed and shown as the number it is.
        {serial_of(systems[1].mac), "198.51.100.060", 0, "now answers at 198.51.100.60"},
        {mac_text(systems[0].mac), "198.51.100.61", 1,
         "still answers at " + systems[0].ip_text + ", not at 198.51.100.61"},
    };
    for (const Case& c : cases) {
        const ProgramRun run = run_talvo({"set-ip", "-i", "talvo0", c.target, c.address});
        EXPECT_EQ(run.exit_code, c.exit_code) << run.out << run.err;
        EXPECT_NE((run.out + run.err).find(c.says), std::string::npos) << run.out << run.err;
    }

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

// A crowded segment: systems that share an address cannot be told apart by it, and a
// scan keeps at most 1024 answers, counting the others.
TEST(TalvoOnSegment, SharedAddressesAndTheAnswerLimit) {
    // Past .254 the simulated addresses start again at .11: systems 245, 489, 733 and
    // 977 share .11 with system 1.
    PERABO_INSIDE_SEGMENT(1030, 0, true, {}, true);
    const ProgramRun run = run_talvo({"set-ip", "-i", "talvo0", "198.51.100.11", "198.51.100.9"});
    EXPECT_EQ(run.exit_code, 2) << run.err;
    EXPECT_NE(run.err.find("matches 5 systems"), std::string::npos) << run.err;

    const ProgramRun scan = run_talvo({"scan", "-i", "talvo0", "--csv"});
    ASSERT_EQ(scan.exit_code, 0) << scan.err;
    EXPECT_EQ(read_csv(scan.out).size(), 1024u + 1) << "the header and 1024 systems";
    EXPECT_NE(scan.err.find("6 more answers than the 1024 a scan keeps were counted, not kept"), std::string::npos)
        << scan.err;
}

std::string file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string sample(const char* name) { return std::string(PERABO_BINARY_DIR) + "/firmware/" + name; }

// The line of the summary table that names the system at ip.
std::string summary_line(const std::string& out, const std::string& ip) {
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line))
        if (line.rfind(ip + " (", 0) == 0 && line.find("K-R") != std::string::npos) return line;
    return "";
}

// Three systems at once reach the new firmware, and each receives exactly the bytes a
// single update from the window sends.
TEST(TalvoOnSegment, UpdatesSeveralSystemsAtOnceWithTheWindowsBytes) {
    const RecordDir record;
    const std::string& dir = record.path;
    ASSERT_FALSE(dir.empty());
    PERABO_INSIDE_SEGMENT(4, 0, true, {"--record", dir, "--reboot-silence", "2000", "--install-delay", "1500"});
    const std::vector<SimulatedSystem> systems = segment_systems();
    ASSERT_EQ(systems.size(), 4u);

    // The window's update of the first system (without its 30 s wait).
    std::snprintf(ResourceDir, sizeof ResourceDir, "%s", PERABO_BINARY_DIR);
    RebootWaitMs = 0;
    ASSERT_EQ(run_firmware_update("TLV-3.3.0.firm", sample("TLV-3.3.0.firm").c_str(), systems[0].ip_text.c_str()), 0)
        << UpdateErrorText;

    const ProgramRun run = run_talvo({"update", "-i", "talvo0", sample("TLV-3.3.0.firm"), "--parallel", "3",
                                      systems[1].ip_text, systems[2].ip_text, systems[3].ip_text});
    ASSERT_EQ(run.exit_code, 0) << run.out << run.err;
    // At once: every system is installing its firmware before the first has finished.
    const size_t last_installing = run.out.rfind("  installing firmware");
    const size_t first_sd_board = run.out.find("  uploading SD board file system");
    ASSERT_NE(last_installing, std::string::npos) << run.out;
    EXPECT_LT(last_installing, first_sd_board) << "the updates ran one after another:\n" << run.out;
    for (size_t i = 1; i < 4; ++i) {
        const std::string line = summary_line(run.out, systems[i].ip_text);
        EXPECT_NE(line.find("updated"), std::string::npos) << run.out;
        EXPECT_EQ(line.substr(line.size() - 5), "3.3.0") << "the scan after the update shows: " << line;
    }
    for (const char* connection : {"-1.bin", "-2.bin"}) {  // the firmware's, then the SD board's
        const std::string window = file_bytes(dir + "/" + systems[0].ip_text + connection);
        ASSERT_GT(window.size(), 150000u) << connection << ": the whole file in each";
        for (size_t i = 1; i < 4; ++i)
            EXPECT_TRUE(file_bytes(dir + "/" + systems[i].ip_text + connection) == window)
                << systems[i].ip_text << connection << " differs from the window's update";
    }
}

// A system that refuses a chunk fails alone, named with its step and reason; the
// others are updated, and the exit status tells that one failed.
// The systems are on the first of the PC's two networks, not the one listed last.
TEST(TalvoOnSegment, OneFailingSystemDoesNotStopTheOthers) {
    PERABO_INSIDE_SEGMENT(SegmentLayout(3, 0, true, {"--reboot-silence", "2000"}, false,
                                        {{2, {"--fault", "FirmwareUpdate/chunk#1=refuse:Flash is write-protected"}}})
                              .with_pc_prefix(25)
                              .with_pc_addresses({"198.51.100.129/25"}));
    const std::vector<SimulatedSystem> systems = segment_systems();
    const ProgramRun run = run_talvo({"update", "-i", "talvo0", sample("TLV-Hub-2.0.1.firm"), "--all"});
    EXPECT_EQ(run.exit_code, 1) << run.out << run.err;
    const std::string failed = systems[1].ip_text + " (" + mac_text(systems[1].mac) +
                               ") failed while uploading firmware: Flash is write-protected";
    EXPECT_NE(run.err.find(failed), std::string::npos) << run.err;
    for (size_t i : {0u, 2u}) {
        const std::string line = summary_line(run.out, systems[i].ip_text);
        EXPECT_NE(line.find("updated"), std::string::npos) << run.out;
        EXPECT_EQ(line.substr(line.size() - 5), "2.0.1") << line;
    }
    EXPECT_NE(summary_line(run.out, systems[1].ip_text).find(systems[1].firmware), std::string::npos)
        << "the failed system keeps its firmware";
}

// Updates that would reach the wrong system, or none, are refused before any system is
// touched: one outside the PC's network (203.0.113.77 beside 198.51.100.1/24), one of two
// on one address (the factory case), even beside a reachable system named with them.
TEST(TalvoOnSegment, UpdatesThatCannotReachTheRightSystemAreRefused) {
    const RecordDir record;
    ASSERT_FALSE(record.path.empty());
    PERABO_INSIDE_SEGMENT(5, 0, true, {"--record", record.path, "--reboot-silence", "500"}, false,
                          {{1, {"--ip", "203.0.113.77"}}, {2, {"--ip", "198.51.100.50"}},
                           {3, {"--ip", "198.51.100.50"}}, {5, {"--no-device-service"}}});
    const std::vector<SimulatedSystem> systems = segment_systems();
    const std::string firmware = sample("TLV-3.3.0.firm");
    const std::string shared = "198.51.100.50 is answered by 2 systems (MACs " + mac_text(systems[1].mac) + ", " +
                               mac_text(systems[2].mac) + "): give each its own address first";
    struct Case { std::vector<std::string> targets; std::string said; } cases[] = {
        {{"203.0.113.77"}, "203.0.113.77 is not on the network of talvo0 (198.51.100.1/24): give the system an "
                           "address on that network first"},
        {{mac_text(systems[2].mac)}, shared},
        {{systems[3].ip_text, mac_text(systems[1].mac)}, shared},  // the reachable one is not touched either
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"update", "-i", "talvo0", firmware};
        args.insert(args.end(), c.targets.begin(), c.targets.end());
        const ProgramRun run = run_talvo(args);
        EXPECT_EQ(run.exit_code, 2) << run.out << run.err;
        EXPECT_NE(run.err.find("talvo: " + c.said + "\n"), std::string::npos) << run.err;
    }
    EXPECT_TRUE(std::filesystem::is_empty(record.path)) << "a system was connected to";

    // Reachable but not serving: one line with the cause, not the runtime's fault dump.
    const ProgramRun run = run_talvo({"update", "-i", "talvo0", firmware, systems[4].ip_text});
    EXPECT_EQ(run.err, "talvo: " + systems[4].ip_text + " (" + mac_text(systems[4].mac) +
                       ") failed while connecting: Impossible to access the system: Connection refused\n");

    // The scan shows both in the way, for a person and for a script.
    const std::string table = run_talvo({"scan", "-i", "talvo0"}).out;
    EXPECT_NE(table.find(mac_text(systems[0].mac) + "  not on the network of talvo0\n"), std::string::npos) << table;
    EXPECT_NE(table.find(mac_text(systems[2].mac) + "  address shared by 2 systems\n"), std::string::npos) << table;
    const std::string json = run_talvo({"scan", "-i", "talvo0", "--json"}).out;
    EXPECT_NE(json.find("\"203.0.113.77\", \"firmware\": \"3.1.0\", \"mac\": \"" + mac_text(systems[0].mac) +
                        "\", \"on_network\": false, \"shared_address\": false}"), std::string::npos) << json;
}

// The connection leaves through the interface the systems were found on: a route through
// another interface (here a narrower one into a veth pair where nothing answers, as
// a laptop's Wi-Fi would take the packets elsewhere) is not taken.
TEST(TalvoOnSegment, TheUpdateLeavesThroughTheChosenInterfaceOnly) {
    PERABO_INSIDE_SEGMENT(1, 0, true, {"--reboot-silence", "500"});
    const std::vector<SimulatedSystem> systems = segment_systems();
    const std::string detour = "ip link add detour0 type veth peer name detour1 && ip link set detour1 up && "
                               "ip addr add 203.0.113.1/24 dev detour0 && ip link set detour0 up && "
                               "ip route add " + systems[0].ip_text + "/32 dev detour0";
    ASSERT_EQ(std::system(detour.c_str()), 0) << detour;
    const ProgramRun run = run_talvo({"update", "-i", "talvo0", sample("TLV-Hub-2.0.1.firm"), systems[0].ip_text});
    EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
}

}  // namespace

// talvo commission on a virtual segment where systems arrive from the factory, in
// waves: each planned system is addressed, updated and recorded on its own as it
// appears; one failing stops nothing else; a system outside the plan, or already
// commissioned, is left alone.
#include "support/json_reader.h"
#include "support/run_program.h"
#include "support/segment_harness.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
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

std::string sample(const std::string& name) { return std::string(PERABO_BINARY_DIR) + "/firmware/" + name; }

std::string write_plan(const std::string& name, const std::string& text) {
    const std::string path = "/tmp/talvo-" + name + "-" + std::to_string(::getpid()) + ".txt";
    std::ofstream(path) << text;
    return path;
}

std::map<std::string, JsonObject> by_mac(const std::string& document) {
    std::vector<JsonObject> records;
    EXPECT_TRUE(read_json_objects(document, &records)) << document;
    std::map<std::string, JsonObject> all;
    for (JsonObject& r : records) all[r["mac"] == JsonNull ? r["target"] : r["mac"]] = r;
    return all;
}

// Six systems from the factory in two waves, a seventh already at its address with the
// firmware, an eighth the plan does not name: the run ends by itself once the six are
// addressed and updated.
TEST(CommissionOnSegment, TwoWavesFromTheFactoryAreAddressedUpdatedAndRecorded) {
    PERABO_INSIDE_SEGMENT(SegmentLayout(8, 0, true, {"--reboot-silence", "1000"}, false,
                                        {{7, {"--ip", "198.51.100.67", "--firmware", "3.3.0"}}})
                              .from_factory()
                              .in_waves(3, 3000));
    const std::vector<SimulatedSystem> systems = segment_systems();
    std::string plan = "# line 4\n";
    for (int i = 0; i < 7; ++i) plan += mac_of(systems[i].mac) + ",198.51.100." + std::to_string(61 + i) + "\n";
    const std::string path = write_plan("waves", plan);
    const ProgramRun run = run_talvo({"commission", "-i", "talvo0", "--plan", path, sample("TLV-3.3.0.firm"), "--json"});
    std::remove(path.c_str());
    EXPECT_EQ(run.exit_code, 0) << run.err;
    auto records = by_mac(run.out);
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(mac_of(systems[i].mac));
        JsonObject& r = records[mac_of(systems[i].mac)];
        EXPECT_EQ(r["result"], i < 6 ? "commissioned" : "already-commissioned");
        EXPECT_EQ(r["new_address"], "198.51.100." + std::to_string(61 + i));
        EXPECT_EQ(r["address_after"], r["new_address"]);
        EXPECT_EQ(r["firmware_after"], "3.3.0");
        EXPECT_EQ(r["tries.0.result"], "done");
        EXPECT_EQ(r["firmware_file.sha256"] == JsonNull, i == 6) << "what each system was sent";
    }
    EXPECT_EQ(records.count(mac_of(systems[7].mac)), 0u);
    EXPECT_NE(run.err.find(mac_of(systems[7].mac) + " (K-R 720904) at 198.51.100.50: not in the plan; left alone"),
              std::string::npos) << run.err;
    for (int i : {7, 8}) {
        EXPECT_EQ(segment_system_log(i).find("IPADDR"), std::string::npos) << "system " << i << " was re-addressed";
        EXPECT_EQ(segment_system_log(i).find("FirmwareUpdate"), std::string::npos) << "system " << i << " was updated";
    }
}

// Pulls a system's cable or plugs it in again.
void plug(const SimulatedSystem& system, bool in) {
    const std::string command = "ip netns exec " + system.ns + " ip link set sim0 " + (in ? "up" : "down");
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// A system that refuses its installation fails alone while the others are done; plugged
// in again, it is tried again, and the run ends by itself with a record of both tries.
TEST(CommissionOnSegment, AFailingSystemStopsNothingElse) {
    PERABO_INSIDE_SEGMENT(SegmentLayout(3, 0, true, {}, false,
                                        {{1, {"--fault", "FirmwareUpdate/closing#0=refuse:Flash is write-protected"}},
                                         {2, {"--ip", "198.51.100.62", "--firmware", "3.3.0"}},
                                         {3, {"--firmware", "3.3.0"}}})
                              .from_factory());
    const std::vector<SimulatedSystem> systems = segment_systems();
    std::string plan;
    for (int i = 0; i < 3; ++i) plan += mac_of(systems[i].mac) + ",198.51.100." + std::to_string(61 + i) + "\n";
    const std::string path = write_plan("failing", plan);
    const std::string log = "/tmp/talvo-commission-" + std::to_string(::getpid()) + ".jsonl";
    std::remove(log.c_str());
    RunningProgram talvo(talvo_path(), {"commission", "-i", "talvo0", "--plan", path, sample("TLV-3.3.0.firm"),
                                        "--log", log});
    ASSERT_TRUE(talvo.wait_for("failed while installing firmware: Flash is write-protected (plug it in again to retry)", 60));
    ASSERT_TRUE(talvo.wait_for("-> 198.51.100.63  done", 60));
    plug(systems[0], false);
    ASSERT_TRUE(talvo.wait_for("(unplugged; plug it in again to retry)", 60));
    plug(systems[0], true);
    const ProgramRun run = talvo.finish();
    std::remove(path.c_str());
    EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
    std::ifstream lines(log);
    std::string line, document = "[";
    while (std::getline(lines, line)) document += (document.size() > 1 ? "," : "") + line;
    std::remove(log.c_str());
    auto records = by_mac(document + "]");
    JsonObject& retried = records[mac_of(systems[0].mac)];
    EXPECT_EQ(retried["result"], "commissioned");
    EXPECT_EQ(retried["tries.0.result"], "failed");
    EXPECT_EQ(retried["tries.0.failed_step"], "installing firmware");
    EXPECT_EQ(retried["tries.0.reason"], "Flash is write-protected");
    EXPECT_EQ(retried["tries.1.result"], "done");
    EXPECT_EQ(retried["firmware_after"], "3.3.0");
    EXPECT_EQ(records[mac_of(systems[1].mac)]["result"], "already-commissioned");
    EXPECT_EQ(records[mac_of(systems[2].mac)]["result"], "commissioned");
    EXPECT_EQ(records[mac_of(systems[2].mac)]["address_after"], "198.51.100.63");
}

}  // namespace

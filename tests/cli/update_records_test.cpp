// talvo update interrupted by signals, and the records it keeps (root, namespaces):
// what a technician's Ctrl-C, a closed terminal or a shutdown leave on the systems, and
// what a script reads back afterwards.
#include "support/json_reader.h"
#include "support/record_dir.h"
#include "support/run_program.h"
#include "support/segment_harness.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

std::string sample(const char* name) { return std::string(PERABO_BINARY_DIR) + "/firmware/" + name; }

std::string mac_text(const uint8_t mac[6]) {
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return text;
}

// Whether a system installed what it received: the reset ends with ulEOF 1 too, the
// installing call is a second one.
bool installed(const RecordDir& record, const std::string& address) {
    const std::string bytes = record.received(address, 1);
    size_t closing = 0;
    for (size_t at = bytes.find("<ulEOF>1</ulEOF>"); at != std::string::npos; at = bytes.find("<ulEOF>1</ulEOF>", at + 1))
        ++closing;
    return closing >= 2;
}

bool asked_to_reboot(const RecordDir& record, const std::string& address) {
    return record.received(address, 1).find("ForceReboot") != std::string::npos;
}

// Records by MAC.
std::map<std::string, JsonObject> by_mac(const std::vector<JsonObject>& records) {
    std::map<std::string, JsonObject> all;
    for (const JsonObject& r : records) all[r.at("mac")] = r;
    return all;
}

// The SHA-256 of a file, as the system's own tool computes it.
std::string sha256_of(const std::string& path) {
    std::FILE* pipe = popen(("sha256sum '" + path + "'").c_str(), "r");
    char digest[65] = "";
    if (pipe) {
        if (std::fscanf(pipe, "%64s", digest) != 1) digest[0] = '\0';
        pclose(pipe);
    }
    return digest;
}

// A signal during the uploads: nothing is installed anywhere, no new system is started,
// and every system is marked.
TEST(TalvoInterrupted, ASignalDuringTheUploadsInstallsNothing) {
    const RecordDir record;
    PERABO_INSIDE_SEGMENT(3, 0, true, {"--record", record.path, "--chunk-delay", "400"});
    RunningProgram talvo(talvo_path(), {"update", "-i", "talvo0", sample("TLV-3.3.0.firm"), "--all", "--parallel",
                                        "2", "--json"});
    ASSERT_TRUE(talvo.wait_for("  uploading firmware", 60, 2)) << "two systems never began their uploads";
    talvo.signal(SIGINT);
    const ProgramRun run = talvo.finish();
    EXPECT_EQ(run.exit_code, 130) << run.err;
    EXPECT_NE(run.err.find("Interrupted: no system is installing; stopping"), std::string::npos) << run.err;
    std::vector<JsonObject> records;
    ASSERT_TRUE(read_json_objects(run.out, &records)) << run.out;
    ASSERT_EQ(records.size(), 3u);
    std::multiset<std::string> results;
    for (const JsonObject& r : records) results.insert(r.at("result"));
    EXPECT_EQ(results, (std::multiset<std::string>{"interrupted", "interrupted", "not-started"}));
    for (const SimulatedSystem& s : segment_systems())
        EXPECT_FALSE(installed(record, s.ip_text)) << s.ip_text << " installed an interrupted update";
}

// Log lines as records.
std::vector<JsonObject> log_records(const std::string& path) {
    std::ifstream lines(path);
    std::string line;
    std::vector<JsonObject> logged;
    while (std::getline(lines, line)) {
        JsonObject r;
        EXPECT_TRUE(read_json_object(line, &r)) << line;
        logged.push_back(r);
    }
    return logged;
}

std::string log_path(const char* name) {
    const std::string path = std::string("/tmp/talvo-") + name + "-" + std::to_string(getpid());
    std::remove(path.c_str());
    return path;
}

// `talvo update ... | tee out.txt`, then Ctrl-C during the installations: the shell's
// signal ends the reader too. Every system installing goes on to its reboot request
// all the same, and the log records each as the segment shows it.
TEST(TalvoInterrupted, ASignalDuringTheInstallationsLetsEverySystemReachItsReboot) {
    const RecordDir record;
    PERABO_INSIDE_SEGMENT(3, 0, true, {"--record", record.path, "--install-delay", "3000", "--reboot-silence", "2000"});
    const std::vector<SimulatedSystem> systems = segment_systems();
    const std::string log = log_path("reader-gone");
    RunningProgram talvo(talvo_path(), {"update", "-i", "talvo0", sample("TLV-3.3.0.firm"), "--all", "--log", log});
    ASSERT_TRUE(talvo.wait_for("  installing firmware", 60, 3)) << "the systems never all installed at once";
    talvo.close_output();
    talvo.signal(SIGINT);
    const ProgramRun run = talvo.finish();
    EXPECT_EQ(run.exit_code, 130) << run.err;
    EXPECT_EQ(run.signal, 0) << "ended by a signal, not by its own exit";
    auto found = by_mac(log_records(log));
    std::remove(log.c_str());
    const std::regex utc("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ");
    for (const SimulatedSystem& s : systems) {
        SCOPED_TRACE(s.ip_text);
        EXPECT_TRUE(asked_to_reboot(record, s.ip_text));
        JsonObject& r = found[mac_text(s.mac)];
        EXPECT_EQ(r["action"], "update");
        EXPECT_EQ(r["interface"], "talvo0");
        EXPECT_EQ(r["address"], s.ip_text);
        EXPECT_EQ(r["type"], s.type);
        EXPECT_EQ(r["serial"], "K-R " + std::to_string(s.mac[3] * 65536 + s.mac[4] * 256 + s.mac[5]));
        EXPECT_EQ(r["result"], "updated");
        EXPECT_EQ(r["failed_step"], JsonNull);
        EXPECT_EQ(r["reason"], JsonNull);
        EXPECT_EQ(r["firmware_before"], s.firmware);
        EXPECT_EQ(r["firmware_after"], JsonNull) << "the log is written before the scan";
        EXPECT_EQ(r["firmware_file.name"], "TLV-3.3.0.firm");
        EXPECT_EQ(r["firmware_file.size"], std::to_string(std::ifstream(sample("TLV-3.3.0.firm"), std::ios::ate).tellg()));
        EXPECT_EQ(r["firmware_file.sha256"], sha256_of(sample("TLV-3.3.0.firm")));
        EXPECT_EQ(r["sd_board_file.name"], "TLV-3.3.0.spmmc");
        EXPECT_EQ(r["sd_board_file.sha256"], sha256_of(sample("TLV-3.3.0.spmmc")));
        EXPECT_TRUE(std::regex_match(r["started"], utc)) << r["started"];
        EXPECT_TRUE(std::regex_match(r["ended"], utc)) << r["ended"];
        EXPECT_LE(r["started"], r["ended"]);
    }
}

// A second signal abandons at once and names each system left half-installed; the
// document and the log still get a record of each.
TEST(TalvoInterrupted, ASecondSignalAbandonsAndNamesTheSystemsLeft) {
    PERABO_INSIDE_SEGMENT(2, 0, true, {"--install-delay", "20000"});
    const std::string log = log_path("abandoned");
    RunningProgram talvo(talvo_path(), {"update", "-i", "talvo0", sample("TLV-3.3.0.firm"), "--all", "--json",
                                        "--log", log});
    ASSERT_TRUE(talvo.wait_for("  installing firmware", 60, 2));
    talvo.signal(SIGINT);
    ASSERT_TRUE(talvo.wait_for("Ctrl-C again to abandon them", 30));
    talvo.signal(SIGHUP);
    const ProgramRun run = talvo.finish();
    EXPECT_EQ(run.exit_code, 130);
    const std::string lacks = "left between its installation and its reboot: it lacks the end of its firmware "
                              "installation, its SD board file system and its reboot request";
    for (const SimulatedSystem& s : segment_systems())
        EXPECT_NE(run.err.find(s.ip_text + " (" + mac_text(s.mac) + ") was " + lacks), std::string::npos) << run.err;
    std::vector<JsonObject> document;
    ASSERT_TRUE(read_json_objects(run.out, &document)) << run.out;
    const std::vector<JsonObject> logged = log_records(log);
    std::remove(log.c_str());
    ASSERT_EQ(document.size(), 2u);
    ASSERT_EQ(logged.size(), 2u);
    for (const JsonObject& r : document) {
        EXPECT_EQ(r.at("result"), "abandoned");
        EXPECT_EQ(r.at("failed_step"), "installing firmware");
        EXPECT_EQ(r.at("reason"), lacks);
    }
    for (const JsonObject& r : logged) EXPECT_EQ(r.at("result"), "abandoned");
}

// Killed outright, talvo still leaves the log lines of the systems that had ended.
TEST(TalvoInterrupted, TheLogKeepsTheSystemsDoneWhenTalvoIsKilled) {
    PERABO_INSIDE_SEGMENT(2, 0, true, {"--chunk-delay", "2000"}, false,
                          {{1, {"--fault", "FirmwareUpdate/chunk#0=refuse:Flash is write-protected"}}});
    const std::string log = log_path("killed");
    RunningProgram talvo(talvo_path(), {"update", "-i", "talvo0", sample("TLV-3.3.0.firm"), "--all", "--log", log});
    ASSERT_TRUE(talvo.wait_for("failed: while uploading firmware", 60));
    talvo.signal(SIGKILL);
    EXPECT_EQ(talvo.finish().signal, SIGKILL);
    std::vector<JsonObject> logged = log_records(log);
    std::remove(log.c_str());
    ASSERT_EQ(logged.size(), 1u) << "the failed system's line, and only it";
    EXPECT_EQ(logged[0]["mac"], mac_text(segment_systems()[0].mac));
    EXPECT_EQ(logged[0]["result"], "failed");
    EXPECT_EQ(logged[0]["failed_step"], "uploading firmware");
    EXPECT_EQ(logged[0]["reason"], "Flash is write-protected");
}

}  // namespace

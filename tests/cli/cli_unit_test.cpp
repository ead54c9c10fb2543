// talvo's command line without a network: what it accepts, how it names systems, and
// how it writes what systems sent, whatever they sent.
#include "cli/cli_options.h"
#include "cli/listing.h"
#include "cli/targets.h"
#include "cli/update_board.h"
#include "support/json_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool parse(std::vector<const char*> args, CliOptions* options, std::string* error) {
    args.insert(args.begin(), "talvo");
    return parse_cli(static_cast<int>(args.size()), const_cast<char**>(args.data()), options, error);
}

TEST(CliOptions, ReadsEachCommand) {
    CliOptions o;
    std::string error;
    ASSERT_TRUE(parse({"scan", "-i", "eth1", "--json"}, &o, &error)) << error;
    EXPECT_EQ(o.command, CliCommand::Scan);
    EXPECT_EQ(o.interface, "eth1");
    EXPECT_EQ(o.format, ListFormat::Json);

    ASSERT_TRUE(parse({"set-ip", "-i", "eth1", "K-R 5", "198.51.100.9"}, &o, &error)) << error;
    EXPECT_EQ(o.command, CliCommand::SetIp);
    EXPECT_EQ(o.targets, std::vector<std::string>{"K-R 5"});
    EXPECT_EQ(o.new_address, "198.51.100.9");

    // Options may follow the operands.
    ASSERT_TRUE(parse({"update", "fw.firm", "02:7a:10:0b:00:01", "-i", "eth1", "198.51.100.12", "--parallel", "3",
                       "--sd", "fs.spmmc"}, &o, &error)) << error;
    EXPECT_EQ(o.command, CliCommand::Update);
    EXPECT_EQ(o.firmware, "fw.firm");
    EXPECT_EQ(o.targets, (std::vector<std::string>{"02:7a:10:0b:00:01", "198.51.100.12"}));
    EXPECT_EQ(o.parallel, 3);
    EXPECT_EQ(o.sd_board, "fs.spmmc");

    ASSERT_TRUE(parse({"update", "-i", "eth1", "fw.firm", "--all", "--type", "TLV-100"}, &o, &error)) << error;
    EXPECT_TRUE(o.all);
    EXPECT_EQ(o.type, "TLV-100");
    EXPECT_EQ(o.parallel, 8) << "the default";

    ASSERT_TRUE(parse({"--help"}, &o, &error));
    EXPECT_EQ(o.command, CliCommand::Help);
    ASSERT_TRUE(parse({"update", "--help"}, &o, &error));
    EXPECT_EQ(o.command, CliCommand::Help);
}

TEST(CliOptions, UsageErrorsSayWhat) {
    const std::vector<std::vector<const char*>> bad = {
        {},
        {"frobnicate"},
        {"scan"},                                               // no interface
        {"scan", "-i", "eth1", "extra"},
        {"scan", "-i", "eth1", "--bogus"},
        {"set-ip", "-i", "eth1", "K-R 5"},                      // no address
        {"update", "-i", "eth1"},                               // no firmware
        {"update", "-i", "eth1", "fw.firm"},                    // no target
        {"update", "-i", "eth1", "fw.firm", "T", "--all"},      // both
        {"update", "-i", "eth1", "fw.firm", "T", "--type", "X"},
        {"update", "-i", "eth1", "fw.firm", "--all", "--parallel", "0"},
        {"update", "-i", "eth1", "fw.firm", "--all", "--parallel", "65"},
        {"update", "-i", "eth1", "fw.firm", "--all", "--parallel", "4x"},
        {"set-ip", "-i", "eth1", "--plan", "p.txt", "T"},      // a plan and a target
        {"set-ip", "-i", "eth1", "--range", "198.51.100.20-198.51.100.30"},  // nobody to give them to
        {"set-ip", "-i", "eth1", "--range", "198.51.100.20-198.51.100.30", "T", "--all"},
        {"set-ip", "-i", "eth1", "T", "198.51.100.9", "--all"},
        {"interfaces", "eth1"}};
    for (const auto& args : bad) {
        CliOptions o;
        std::string error;
        EXPECT_FALSE(parse(args, &o, &error)) << (args.empty() ? "(nothing)" : args.back());
        EXPECT_FALSE(error.empty());
    }
    EXPECT_NE(std::strstr(cli_usage(), "Exit status"), nullptr);
}

SystemRecord system(const char* ip, uint8_t last_mac_byte, const char* serial = "K-R 1") {
    SystemRecord r{};
    std::snprintf(r.ip_text, sizeof r.ip_text, "%s", ip);
    std::snprintf(r.serial_text, sizeof r.serial_text, "%s", serial);
    const uint8_t mac[6] = {0x02, 0x7a, 0x10, 0x0b, 0x00, last_mac_byte};
    std::memcpy(r.reply_headers + 6, mac, 6);
    r.reply_headers_length = 42;
    return r;
}

TEST(CliTargets, NameOneSystemByMacSerialOrAddress) {
    const std::vector<SystemRecord> systems = {system("198.51.100.11", 0x01, "K-R 720897"),
                                               system("198.51.100.12", 0x02, "K-R 720898")};
    std::string why;
    EXPECT_EQ(find_target(systems, "02:7A:10:0B:00:02", &why), 1);
    EXPECT_EQ(find_target(systems, "02-7a-10-0b-00-01", &why), 0);
    EXPECT_EQ(find_target(systems, "K-R 720898", &why), 1);
    EXPECT_EQ(find_target(systems, "720897", &why), 0);
    EXPECT_EQ(find_target(systems, "198.51.100.12", &why), 1);
    EXPECT_EQ(find_target(systems, "198.51.100.1", &why), -1) << "a prefix names nothing";
    EXPECT_NE(why.find("no system found matches"), std::string::npos);
    EXPECT_EQ(find_target(systems, "02:7a:10:0b:00:03", &why), -1);
}

TEST(CliTargets, ATargetNamingSeveralSystemsIsRefused) {
    // Two systems on one address: an update of "that address" could reach either.
    const std::vector<SystemRecord> systems = {system("198.51.100.11", 0x01), system("198.51.100.11", 0x02)};
    std::string why;
    EXPECT_EQ(find_target(systems, "198.51.100.11", &why), -1);
    EXPECT_NE(why.find("matches 2 systems"), std::string::npos) << why;
    EXPECT_NE(why.find("02:7a:10:0b:00:02"), std::string::npos) << why;
}

TEST(CliTargets, ASystemThatAnsweredTwiceIsOneSystem) {
    const std::vector<SystemRecord> found = {system("198.51.100.11", 0x01), system("198.51.100.12", 0x02),
                                             system("198.51.100.11", 0x01)};
    const std::vector<SystemRecord> systems = distinct_systems(found);
    ASSERT_EQ(systems.size(), 2u);
    std::string why;
    EXPECT_EQ(find_target(systems, "198.51.100.11", &why), 0);
}

const InterfaceNetwork Tp0{"tp0", {Ipv4Network{{198, 51, 100, 1}, 24}}};

SystemRecord hostile(const std::string& type, const std::string& firmware) {
    SystemRecord r = system("198.51.100.11", 0x01);
    std::snprintf(r.type_text, sizeof r.type_text, "%s", type.c_str());
    std::snprintf(r.firmware_text, sizeof r.firmware_text, "%s", firmware.c_str());
    return r;
}

// A system's texts are whatever it sent: a script reading the output gets them back
// exactly, and a terminal never receives a control sequence from them.
TEST(CliListing, WhatASystemSentSurvivesEveryFormat) {
    const std::string type = "TLV \"100\", \\ A\tB";
    const std::string firmware = "3.1\x1b[2J\xc3\xa9";  // ESC sequence, then "é" in UTF-8
    const std::vector<SystemRecord> systems = {hostile(type, firmware)};

    std::vector<JsonObject> objects;
    ASSERT_TRUE(read_json_objects(list_systems_text(systems, ListFormat::Json, Tp0), &objects))
        << list_systems_text(systems, ListFormat::Json, Tp0);
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0]["type"], type);
    EXPECT_EQ(objects[0]["firmware"], firmware);
    EXPECT_EQ(objects[0]["mac"], "02:7a:10:0b:00:01");
    EXPECT_EQ(objects[0]["ip"], "198.51.100.11");

    const auto rows = read_csv(list_systems_text(systems, ListFormat::Csv, Tp0));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"Type", "Serial Number", "IP Address", "Firmware", "MAC",
                                                  "on_network", "shared_address"}));
    EXPECT_EQ(rows[1][0], type);
    EXPECT_EQ(rows[1][3], firmware);

    const std::string table = list_systems_text(systems, ListFormat::Table, Tp0);
    EXPECT_EQ(table.find('\x1b'), std::string::npos) << "no escape sequence reaches the terminal";
    EXPECT_EQ(table.find('\t'), std::string::npos);
    EXPECT_NE(table.find("3.1?[2J\xc3\xa9"), std::string::npos) << table;
}

TEST(CliListing, StrayBytesAreReadAsLatin1InJson) {
    std::vector<JsonObject> objects;
    const std::vector<SystemRecord> systems = {hostile("T\xe9", "\xc3")};  // é in Latin-1, a cut UTF-8 lead
    ASSERT_TRUE(read_json_objects(list_systems_text(systems, ListFormat::Json, Tp0), &objects));
    EXPECT_EQ(objects[0]["type"], "T\xc3\xa9");
    EXPECT_EQ(objects[0]["firmware"], "\xc3\x83");
    ASSERT_TRUE(read_json_objects(list_systems_text({}, ListFormat::Json, Tp0), &objects));
    EXPECT_TRUE(objects.empty());
}

// Every address of the PC's interface is listed, in each format.
TEST(CliListing, InterfacesShowEveryAddress) {
    InterfaceRecord nic{};
    std::strcpy(nic.device_name, "tp0");
    std::strcpy(nic.description, "tp0");
    std::strcpy(nic.ip_text, "203.0.113.129");
    std::strcpy(nic.netmask_text, "255.255.255.128");
    const uint8_t first[8] = {203, 0, 113, 1, 255, 255, 255, 128}, second[8] = {203, 0, 113, 129, 255, 255, 255, 128};
    std::memcpy(&nic.addresses[0], first, 8);
    std::memcpy(&nic.addresses[1], second, 8);
    nic.address_count = 2;
    const std::string table = list_interfaces_text({nic}, ListFormat::Table);
    EXPECT_NE(table.find("\ntp0   203.0.113.129  255.255.255.128  "), std::string::npos) << table;
    EXPECT_NE(table.find("\n      203.0.113.1    255.255.255.128"), std::string::npos) << table;
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 3) << "each address once: " << table;
    std::vector<JsonObject> objects;
    ASSERT_TRUE(read_json_objects(list_interfaces_text({nic}, ListFormat::Json), &objects));
    EXPECT_EQ(objects[0]["ipv4"], "203.0.113.129");
    EXPECT_EQ(objects[0]["addresses.0.ipv4"], "203.0.113.1");
    EXPECT_EQ(objects[0]["addresses.1.mask"], "255.255.255.128");
    const auto rows = read_csv(list_interfaces_text({nic}, ListFormat::Csv));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].back(), "addresses");
    EXPECT_EQ(rows[1].back(), "203.0.113.1/255.255.255.128 203.0.113.129/255.255.255.128");
}

TEST(CliListing, TableColumnsLineUpByCharacters) {
    const std::string table = aligned_table({{"A", "B"}, {"\xc3\xa9t\xc3\xa9", "x"}, {"long text", "y"}});
    // Each second column starts at the same character position: 9 characters, 2 spaces.
    EXPECT_EQ(table, "A          B\n\xc3\xa9t\xc3\xa9        x\nlong text  y\n");
}

TEST(UpdateProgressLine, ShowsTheStepBytesRateAndTime) {
    SystemProgress p;
    p.name = "198.51.100.11 (02:7a:10:0b:00:01)";
    const auto now = BoardClock::now();
    p.began = now - std::chrono::seconds(12);
    p.step_began = now - std::chrono::seconds(2);
    p.state = BoardState::Running;
    p.step = UpdateStep::UploadingFirmware;
    p.bytes_sent = 4000000;
    p.bytes_total = 16000000;
    EXPECT_EQ(progress_line(p, now), "198.51.100.11 (02:7a:10:0b:00:01)  uploading firmware  4.0 of 16.0 MB  2.0 MB/s  12 s");
    p.step = UpdateStep::InstallingFirmware;
    EXPECT_EQ(progress_line(p, now), "198.51.100.11 (02:7a:10:0b:00:01)  installing firmware  12 s");
    p.state = BoardState::Failed;
    p.reason = "while uploading firmware: \x1b]0;owned\x07";  // a system's text, shown inertly
    EXPECT_EQ(progress_line(p, now).find('\x1b'), std::string::npos);
}

// Off a terminal, a line per step and system: a 16 MB upload's 256 chunks give one line.
TEST(UpdateProgressLine, PlainOutputHasOneLinePerStep) {
    char* text = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    ASSERT_NE(out, nullptr);
    {
        UpdateBoard board({"A", "B"}, false, out);
        board.begin(0);
        board.begin(1);
        board.progress(0, UpdateStep::CheckingSystem, 0, 0);
        board.progress(1, UpdateStep::CheckingSystem, 0, 0);
        for (uint64_t chunk = 0; chunk <= 256; ++chunk)
            board.progress(0, UpdateStep::UploadingFirmware, chunk * 65535, 256 * 65535);
        board.progress(0, UpdateStep::InstallingFirmware, 0, 0);
        board.finish(0, true, "");
        board.finish(1, false, "while connecting: Impossible to access the system");
    }
    std::fclose(out);
    const std::string printed(text, size);
    std::free(text);
    std::vector<std::string> lines;
    for (size_t at = 0, end; (end = printed.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(printed.substr(at, end - at));
    ASSERT_EQ(lines.size(), 6u) << printed;
    EXPECT_EQ(lines[2].rfind("A  uploading firmware", 0), 0u) << lines[2];
    EXPECT_EQ(lines[4].rfind("A  updated", 0), 0u) << lines[4];
    EXPECT_EQ(lines[5].rfind("B  failed: while connecting: Impossible to access the system", 0), 0u) << lines[5];
}

}  // namespace

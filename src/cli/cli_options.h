// The command line of talvo: which command, on which interface, with what.
#pragma once

#include <string>
#include <vector>

enum class CliCommand { Help, Version, Interfaces, Scan, SetIp, Update, Commission };
enum class ListFormat { Table, Json, Csv };

struct CliOptions {
    CliCommand command = CliCommand::Help;
    std::string interface;                 // -i
    ListFormat format = ListFormat::Table;
    std::vector<std::string> targets;      // MAC, serial number or current IP
    std::string new_address;               // set-ip TARGET NEW_IP
    std::string plan;                      // set-ip, commission: --plan FILE, TARGET,NEW_IP a line
    std::string range;                     // set-ip, commission: --range FIRST-LAST
    std::string firmware;                  // update, commission: the .firm file (commission: may be empty)
    std::string sd_board;                  // update: --sd, empty to look beside the firmware
    std::string firmware_text;             // commission --firmware-text: the firmware the file installs
    bool watch = false;                    // commission --watch: until Ctrl-C
    bool all = false;                      // update, set-ip --range: --all
    std::string type;                      // update, set-ip --range: --type
    int parallel = 8;                      // update, commission: --parallel
    std::string log;                       // update, set-ip: --log FILE, records appended
};

// Reads argv. false with the reason in *error for a usage error; true for --help
// (command Help) and for a complete command.
bool parse_cli(int argc, char** argv, CliOptions* options, std::string* error);

// The --help text, which also documents the exit codes.
const char* cli_usage();

// "talvo (Talvo Perabo) 1.1.0"
const char* cli_version();

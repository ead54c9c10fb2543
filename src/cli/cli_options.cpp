#include "cli/cli_options.h"

#include <getopt.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr int MostParallel = 64;

bool parse_parallel(const char* text, int* out) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 1 || value > MostParallel) return false;
    *out = static_cast<int>(value);
    return true;
}

bool command_named(const char* word, CliCommand* command) {
    static const struct { const char* name; CliCommand command; } names[] = {
        {"interfaces", CliCommand::Interfaces}, {"scan", CliCommand::Scan},
        {"set-ip", CliCommand::SetIp},          {"update", CliCommand::Update},
        {"commission", CliCommand::Commission}, {"help", CliCommand::Help}};
    for (const auto& n : names) {
        if (std::strcmp(word, n.name) == 0) {
            *command = n.command;
            return true;
        }
    }
    return false;
}

bool read_flags(int argc, char** argv, CliOptions* options, std::string* error, bool* help) {
    static const option longs[] = {
        {"interface", required_argument, nullptr, 'i'}, {"json", no_argument, nullptr, 'j'},
        {"csv", no_argument, nullptr, 'c'},             {"sd", required_argument, nullptr, 's'},
        {"all", no_argument, nullptr, 'a'},             {"type", required_argument, nullptr, 't'},
        {"parallel", required_argument, nullptr, 'p'},  {"help", no_argument, nullptr, 'h'},
        {"log", required_argument, nullptr, 'l'},       {"plan", required_argument, nullptr, 'P'},
        {"range", required_argument, nullptr, 'r'},     {"watch", no_argument, nullptr, 'w'},
        {"firmware-text", required_argument, nullptr, 'F'},
        {nullptr, 0, nullptr, 0}};
    optind = 1;
    opterr = 0;
    for (int c; (c = getopt_long(argc, argv, "+i:h", longs, nullptr)) != -1;) {
        switch (c) {
        case 'i': options->interface = optarg; break;
        case 'j': options->format = ListFormat::Json; break;
        case 'c': options->format = ListFormat::Csv; break;
        case 's': options->sd_board = optarg; break;
        case 'l': options->log = optarg; break;
        case 'P': options->plan = optarg; break;
        case 'r': options->range = optarg; break;
        case 'a': options->all = true; break;
        case 'w': options->watch = true; break;
        case 'F': options->firmware_text = optarg; break;
        case 't': options->type = optarg; break;
        case 'p':
            if (!parse_parallel(optarg, &options->parallel)) {
                *error = std::string("--parallel takes a number from 1 to ") + std::to_string(MostParallel);
                return false;
            }
            break;
        case 'h': *help = true; return true;
        default:
            *error = std::string("unknown option or missing value: ") + argv[optind - 1];
            return false;
        }
    }
    return true;
}

// The words after the options; options may also follow them.
std::vector<std::string> operands(int argc, char** argv, CliOptions* options, std::string* error, bool* help) {
    std::vector<std::string> words;
    while (true) {
        if (!read_flags(argc, argv, options, error, help) || *help) return words;
        if (optind >= argc) return words;
        words.emplace_back(argv[optind]);
        argv += optind;
        argc -= optind;
    }
}

bool needs_interface(const CliOptions& o, std::string* error) {
    if (!o.interface.empty()) return true;
    *error = "-i IFACE is required (see 'talvo interfaces')";
    return false;
}

bool check_update(CliOptions* o, std::vector<std::string>& words, std::string* error) {
    if (words.empty()) {
        *error = "update needs a FIRMWARE.firm file";
        return false;
    }
    o->firmware = words.front();
    o->targets.assign(words.begin() + 1, words.end());
    if (o->all && !o->targets.empty()) *error = "give either TARGETs or --all, not both";
    else if (!o->all && o->targets.empty()) *error = "update needs at least one TARGET, or --all";
    else if (!o->type.empty() && !o->all) *error = "--type goes with --all";
    return error->empty();
}

// One of: TARGET NEW_IP; --plan FILE; --range FIRST-LAST with TARGETs or --all.
bool check_set_ip(CliOptions* o, std::vector<std::string>& words, std::string* error) {
    if (!o->plan.empty()) {
        if (!words.empty() || !o->range.empty() || o->all) *error = "--plan takes no TARGET, --range or --all";
    } else if (!o->range.empty()) {
        o->targets = words;
        if (o->all == !words.empty()) *error = "--range needs either TARGETs or --all";
    } else if (words.size() != 2) {
        *error = "set-ip needs TARGET and NEW_IP, --plan FILE or --range FIRST-LAST";
    } else {
        o->targets = {words[0]};
        o->new_address = words[1];
    }
    if (error->empty() && !o->type.empty() && !o->all) *error = "--type goes with --all";
    if (error->empty() && o->all && o->range.empty()) *error = "set-ip takes --all only with --range";
    return error->empty();
}

// --plan FILE or --range FIRST-LAST, and at most a firmware file.
bool check_commission(CliOptions* o, std::vector<std::string>& words, std::string* error) {
    if (o->plan.empty() == o->range.empty()) *error = "commission needs either --plan FILE or --range FIRST-LAST";
    else if (words.size() > 1) *error = "commission takes at most one FIRMWARE.firm";
    else if (o->all || !o->type.empty()) *error = "commission takes the systems its plan or range gives, not --all";
    if (!error->empty()) return false;
    if (!words.empty()) o->firmware = words[0];
    if (o->firmware.empty() && (!o->sd_board.empty() || !o->firmware_text.empty()))
        *error = "--sd and --firmware-text go with a FIRMWARE.firm";
    return error->empty();
}

bool check_operands(CliOptions* o, std::vector<std::string>& words, std::string* error) {
    switch (o->command) {
    case CliCommand::Help:
    case CliCommand::Version: return true;
    case CliCommand::Interfaces:
        if (!words.empty()) *error = "interfaces takes no arguments";
        return error->empty();
    case CliCommand::Scan:
        if (!words.empty()) *error = "scan takes no arguments besides its options";
        return error->empty() && needs_interface(*o, error);
    case CliCommand::SetIp: return check_set_ip(o, words, error) && needs_interface(*o, error);
    case CliCommand::Update: return check_update(o, words, error) && needs_interface(*o, error);
    case CliCommand::Commission: return check_commission(o, words, error) && needs_interface(*o, error);
    }
    return false;
}

}  // namespace

bool parse_cli(int argc, char** argv, CliOptions* options, std::string* error) {
    error->clear();
    *options = CliOptions{};
    if (argc < 2) {
        *error = "no command given";
        return false;
    }
    const std::string first = argv[1];
    if (first == "-h" || first == "--help") return true;
    if (first == "--version") {
        options->command = CliCommand::Version;
        if (argc > 2) *error = "--version takes no arguments";
        return error->empty();
    }
    if (!command_named(argv[1], &options->command)) {
        *error = "unknown command '" + first + "'";
        return false;
    }
    bool help = false;
    std::vector<std::string> words = operands(argc - 1, argv + 1, options, error, &help);
    if (!error->empty()) return false;
    if (help) {
        options->command = CliCommand::Help;
        return true;
    }
    return check_operands(options, words, error);
}

const char* cli_usage() {
    return "Usage: talvo COMMAND [OPTIONS]\n"
           "Finds the Talvo measurement systems on an Ethernet segment, changes their\n"
           "addresses and updates their firmware, from the command line.\n"
           "\n"
           "Commands:\n"
           "  interfaces                  the network interfaces: name, IPv4, mask, MAC\n"
           "  scan -i IFACE [--json|--csv]\n"
           "                              every system on IFACE's segment: type, serial\n"
           "                              number, IP, firmware, MAC\n"
           "  set-ip -i IFACE TARGET NEW_IP\n"
           "                              gives one system a new address, then scans again\n"
           "                              and succeeds only if it answers at NEW_IP\n"
           "  set-ip -i IFACE --plan FILE   many systems at once: FILE has one TARGET,NEW_IP\n"
           "                              a line (blank lines and # comments allowed)\n"
           "  set-ip -i IFACE --range FIRST-LAST (TARGET... | --all [--type TYPE])\n"
           "                              gives the systems the free addresses from FIRST on,\n"
           "                              in order of serial number\n"
           "                              Before anything is sent, each new address is probed\n"
           "                              with ARP: an address that another host answers for,\n"
           "                              the PC's own or another system's is refused\n"
           "  update -i IFACE FIRMWARE.firm [--sd FILE.spmmc] TARGET...\n"
           "  update -i IFACE FIRMWARE.firm [--sd FILE.spmmc] --all [--type TYPE]\n"
           "                              loads the firmware (and the SD board file system:\n"
           "                              FILE.spmmc, or NAME.spmmc beside NAME.firm, either\n"
           "                              extension in any case) into the systems, restarts\n"
           "                              them, then scans and shows their firmware\n"
           "  commission -i IFACE (--plan FILE | --range FIRST-LAST) [FIRMWARE.firm\n"
           "             [--sd FILE.spmmc] [--firmware-text TEXT]] [--watch]\n"
           "                              watches the segment and takes each system that\n"
           "                              appears through its own run: its address (the\n"
           "                              plan's, or the range's next free one), then the\n"
           "                              firmware when it has another; one record each.\n"
           "                              Ends when every planned system is done; with\n"
           "                              --watch or --range, at Ctrl-C\n"
           "\n"
           "Options:\n"
           "  -i, --interface IFACE       the interface whose segment holds the systems\n"
           "      --json, --csv           scan and interfaces: output for scripts\n"
           "      --json                  update, set-ip, commission: a record of each system,\n"
           "                              as one JSON document on standard output (progress\n"
           "                              goes to standard error)\n"
           "      --log FILE              update, set-ip, commission: append each system's\n"
           "                              record to FILE, one JSON object a line, as each\n"
           "                              system ends\n"
           "      --sd FILE.spmmc         update: this SD board file system\n"
           "      --all [--type TYPE]     update, set-ip --range: every system found (of\n"
           "                              that type)\n"
           "      --parallel N            update, commission: at most N updates at once (1 to\n"
           "                              64, default 8)\n"
           "      --firmware-text TEXT    commission: the firmware a system reports once it\n"
           "                              runs FIRMWARE.firm (default: VERSION of NAME-VERSION.firm)\n"
           "      --watch                 commission: go on watching until Ctrl-C\n"
           "  -h, --help                  this text\n"
           "      --version               the version of talvo\n"
           "\n"
           "TARGET is a system's MAC address (aa:bb:cc:dd:ee:ff), its serial number\n"
           "(\"K-R 123456\" or 123456) or its current IP address; each must match exactly\n"
           "one system found on the segment.\n"
           "\n"
           "Finding systems and changing addresses send and capture raw Ethernet frames:\n"
           "run as root, or give the program the cap_net_raw capability.\n"
           "\n"
           "Exit status:\n"
           "  0  everything asked for was done\n"
           "  1  some system failed; each failure is named with its system and step\n"
           "  2  usage error: bad option, unknown interface, a TARGET matching no system or\n"
           "     several, a file that is not a regular readable file, an address no system\n"
           "     can take or one in use (named with the MAC that holds it), a range with\n"
           "     too few free addresses. Nothing was sent to any system.\n"
           "  3  the work was done, but standard output or a log line could not be written\n"
           "  130  interrupted (SIGINT, SIGTERM, SIGHUP): systems already installing were\n"
           "     brought to their reboot request first; a second signal abandons them\n";
}

const char* cli_version() { return "talvo (Talvo Perabo) " PERABO_VERSION "\n"; }

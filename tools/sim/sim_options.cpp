#include "sim_options.h"

#include "discovery_responder.h"

#include <getopt.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The tool reads a field up to its first space, within 243 characters.
bool valid_field(const std::string& text, size_t limit) {
    if (text.empty() || text.size() > limit) return false;
    for (char c : text)
        if (c <= ' ' || c == 0x7f) return false;
    return true;
}

// A whole number from 0 to limit.
bool parse_whole_number(const char* text, int* out, long limit = 60000) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 0 || value > limit) return false;
    *out = static_cast<int>(value);
    return true;
}

// "A:B", each a whole number from its low to its limit.
bool parse_pair(const char* text, int* a, long a_low, long a_limit, int* b, long b_low, long b_limit) {
    const char* colon = std::strchr(text, ':');
    if (colon == nullptr) return false;
    const std::string first(text, colon);
    return parse_whole_number(first.c_str(), a, a_limit) && *a >= a_low &&
           parse_whole_number(colon + 1, b, b_limit) && *b >= b_low;
}

bool parse_away(const char* text, std::vector<AwayWindow>* away) {
    AwayWindow window{};
    if (!parse_pair(text, &window.from_ms, 0, 3600000, &window.for_ms, 1, 3600000)) return false;
    away->push_back(window);
    return true;
}

bool check_complete(const SimOptions& options, std::string* error) {
    if (options.interface.empty()) *error = "--interface is required";
    else if (options.ipv4[0] == 0 && options.ipv4[1] == 0 && options.ipv4[2] == 0 && options.ipv4[3] == 0)
        *error = "--ip is required";
    else if (!valid_field(options.type, 242))
        *error = "--type must be 1 to 242 printable characters without spaces";
    else if (!valid_field(options.firmware, 243))
        *error = "--firmware must be 1 to 243 printable characters without spaces";
    return error->empty();
}

}  // namespace

const char* sim_usage() {
    return "Usage: talvo-sim --interface IF --ip A.B.C.D [options]\n"
           "Plays one Talvo measurement system on a Linux interface: answers the\n"
           "Discovery Protocol's IDENT and takes the address an IPADDR gives it.\n"
           "  -i, --interface IF    interface to listen and answer on (needs root)\n"
           "  -a, --ip A.B.C.D      the system's IPv4 address\n"
           "  -m, --mac MAC         the system's MAC (default: the interface's own)\n"
           "  -t, --type TEXT       system type, no spaces (default TalvoSim)\n"
           "  -f, --firmware TEXT   firmware text, no spaces (default 1.0.0)\n"
           "  -d, --reply-delay MS  wait before answering an IDENT (default 0)\n"
           "  -n, --count N         play N systems (1 to 4096) from this one process: MACs\n"
           "                        count up from --mac, addresses from --ip within its /24\n"
           "                        (after .254 back to --ip's); all answer an IDENT at once.\n"
           "                        More than one: discovery and IPADDR only, no Device Service\n"
           "      --same-address    all --count systems at --ip, as they come from the factory\n"
           "      --keep-interface-address  take an IPADDR's address for discovery only,\n"
           "                        without moving the interface to it\n"
           "      --ignore-ipaddr   drop every IPADDR: the system keeps its address\n"
           "Coming and going (MS from the start; 'listening on' is printed at once all the same):\n"
           "      --appear-after MS         unplugged until then: no IDENT answered, no IPADDR\n"
           "                                taken, no Device Service, no ARP answered (a lone\n"
           "                                system that owns its interface)\n"
           "      --waves SIZE:EVERY_MS     with --count: systems 1..SIZE appear first (after\n"
           "                                --appear-after), the next SIZE EVERY_MS later, ...\n"
           "      --away FROM_MS:FOR_MS     every system unplugged from FROM_MS for FOR_MS, then\n"
           "                                plugged in again as it was; may be repeated\n"
           "        each change is said: 'talvo-sim: MAC plugged in at UNIX-TIME' or '... unplugged ...'\n"
           "Device Service (TCP port 5555, for firmware updates):\n"
           "      --no-device-service       do not serve it\n"
           "      --install-delay MS        installing a firmware takes this long (default 0)\n"
           "      --chunk-delay MS          each uploaded chunk takes this long (default 0)\n"
           "      --reboot-silence MS       a reboot keeps the system silent this long\n"
           "                                (default 5000); then it reports the new firmware\n"
           "      --fault RULE              answer a request otherwise; may be repeated.\n"
           "        RULE is OPERATION[/KIND][#N]=ACTION[:TEXT]:\n"
           "        OPERATION GetModuleType, FirmwareUpdate, MMCUpdate, MMCValidate, ForceReboot;\n"
           "        KIND chunk, closing or reset; N the n-th such request from 0 (default: each);\n"
           "        ACTION refuse (with TEXT), accept, soap-fault (with TEXT), drop, silence.\n"
           "        e.g. --fault 'FirmwareUpdate/chunk#1=refuse:Flash is write-protected'\n"
           "      --record DIR              keep every byte received on Device Service\n"
           "                                connection N in DIR/ADDRESS-N.bin\n"
           "  -h, --help            this text\n";
}

bool parse_mac(const char* text, uint8_t out[6]) {
    unsigned int b[6];
    char tail;
    if (std::sscanf(text, "%2x:%2x:%2x:%2x:%2x:%2x%c", &b[0], &b[1], &b[2], &b[3], &b[4], &b[5], &tail) != 6)
        return false;
    for (int i = 0; i < 6; ++i) out[i] = static_cast<uint8_t>(b[i]);
    return true;
}

bool parse_sim_options(int argc, char** argv, SimOptions* options, std::string* error) {
    static const option longs[] = {
        {"interface", required_argument, nullptr, 'i'}, {"ip", required_argument, nullptr, 'a'},
        {"mac", required_argument, nullptr, 'm'},       {"type", required_argument, nullptr, 't'},
        {"firmware", required_argument, nullptr, 'f'},  {"reply-delay", required_argument, nullptr, 'd'},
        {"help", no_argument, nullptr, 'h'},
        {"keep-interface-address", no_argument, nullptr, 'K'},
        {"no-device-service", no_argument, nullptr, 'N'},
        {"install-delay", required_argument, nullptr, 'I'},
        {"chunk-delay", required_argument, nullptr, 'C'},
        {"ignore-ipaddr", no_argument, nullptr, 'G'},
        {"reboot-silence", required_argument, nullptr, 'R'},
        {"fault", required_argument, nullptr, 'F'},
        {"count", required_argument, nullptr, 'n'},
        {"same-address", no_argument, nullptr, 'S'},
        {"record", required_argument, nullptr, 'r'},
        {"appear-after", required_argument, nullptr, 'A'},
        {"waves", required_argument, nullptr, 'W'},
        {"away", required_argument, nullptr, 'Y'},
        {nullptr, 0, nullptr, 0}};
    error->clear();
    optind = 1;
    opterr = 0;
    for (int c; (c = getopt_long(argc, argv, "i:a:m:t:f:d:n:h", longs, nullptr)) != -1;) {
        switch (c) {
        case 'i': options->interface = optarg; break;
        case 'a':
            if (!parse_ipaddr_fields(optarg, std::strlen(optarg), options->ipv4)) *error = "bad --ip";
            break;
        case 'm':
            if (!parse_mac(optarg, options->mac)) *error = "bad --mac";
            options->mac_given = true;
            break;
        case 't': options->type = optarg; break;
        case 'f': options->firmware = optarg; break;
        case 'd':
            if (!parse_whole_number(optarg, &options->reply_delay_ms)) *error = "bad --reply-delay";
            break;
        case 'K': options->apply_address = false; break;
        case 'N': options->device_service = false; break;
        case 'I':
            if (!parse_whole_number(optarg, &options->install_delay_ms, 3600000)) *error = "bad --install-delay";
            break;
        case 'C':
            if (!parse_whole_number(optarg, &options->chunk_delay_ms, 3600000)) *error = "bad --chunk-delay";
            break;
        case 'G': options->ignore_ipaddr = true; break;
        case 'S': options->same_address = true; break;
        case 'R':
            if (!parse_whole_number(optarg, &options->reboot_silence_ms, 3600000)) *error = "bad --reboot-silence";
            break;
        case 'F': options->faults.push_back(optarg); break;
        case 'r': options->record_dir = optarg; break;
        case 'n':
            if (!parse_whole_number(optarg, &options->count, 4096) || options->count < 1) *error = "bad --count";
            break;
        case 'A':
            if (!parse_whole_number(optarg, &options->presence.appear_after_ms, 3600000)) *error = "bad --appear-after";
            break;
        case 'W':
            if (!parse_pair(optarg, &options->presence.wave_size, 1, 4096, &options->presence.wave_every_ms, 0,
                            3600000))
                *error = "bad --waves: SIZE:EVERY_MS";
            break;
        case 'Y':
            if (!parse_away(optarg, &options->presence.away)) *error = "bad --away: FROM_MS:FOR_MS";
            break;
        case 'h': return false;
        default: *error = "unknown option or missing value"; break;
        }
        if (!error->empty()) return false;
    }
    if (optind < argc) {
        *error = std::string("unexpected argument ") + argv[optind];
        return false;
    }
    return check_complete(*options, error);
}

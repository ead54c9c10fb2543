// The simulator's command line.
#pragma once

#include "presence.h"

#include <cstdint>
#include <string>
#include <vector>

struct SimOptions {
    std::string interface;       // the Linux interface the system sits on
    uint8_t mac[6] = {};
    bool mac_given = false;      // otherwise the interface's own MAC is used
    uint8_t ipv4[4] = {};
    std::string type = "TalvoSim";
    std::string firmware = "1.0.0";
    int reply_delay_ms = 0;      // how long the system thinks before it answers an IDENT
    bool apply_address = true;   // an IPADDR also moves the interface to the new address
    bool device_service = true;  // serve the Device Service on TCP port 5555
    int install_delay_ms = 0;    // how long installing a firmware takes
    int chunk_delay_ms = 0;      // how long the system takes over each uploaded chunk
    bool ignore_ipaddr = false;  // an IPADDR is received and dropped: the system keeps its address
    int reboot_silence_ms = 5000;  // how long a reboot keeps the system silent
    std::vector<std::string> faults;  // --fault rules, see sim_usage()
    int count = 1;               // systems played; more than one serve discovery only
    bool same_address = false;   // all count systems at --ip, as from the factory
    std::string record_dir;      // keep the Device Service's received bytes there
    PresenceSchedule presence;   // when each system is on the segment
};

// Fills options from argv. false with a reason in error on a bad or missing option;
// false with an empty error when help was asked for.
bool parse_sim_options(int argc, char** argv, SimOptions* options, std::string* error);

// The usage text.
const char* sim_usage();

// Reads "aa:bb:cc:dd:ee:ff".
bool parse_mac(const char* text, uint8_t out[6]);

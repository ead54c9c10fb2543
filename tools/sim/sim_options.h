// The simulator's command line.
#pragma once

#include <cstdint>
#include <string>

struct SimOptions {
    std::string interface;       // the Linux interface the system sits on
    uint8_t mac[6] = {};
    bool mac_given = false;      // otherwise the interface's own MAC is used
    uint8_t ipv4[4] = {};
    std::string type = "TalvoSim";
    std::string firmware = "1.0.0";
    int reply_delay_ms = 0;      // how long the system thinks before it answers an IDENT
};

// Fills options from argv. false with a reason in error on a bad or missing option;
// false with an empty error when help was asked for.
bool parse_sim_options(int argc, char** argv, SimOptions* options, std::string* error);

// The usage text.
const char* sim_usage();

// Reads "aa:bb:cc:dd:ee:ff".
bool parse_mac(const char* text, uint8_t out[6]);

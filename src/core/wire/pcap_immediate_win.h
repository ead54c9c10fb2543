// Immediate mode on Windows, where not every wpcap.dll has it.
#pragma once

#include <pcap/pcap.h>

// Asks the loaded wpcap.dll for pcap_set_immediate_mode at run time (Npcap has it,
// wine's does not, and a program that imported it would not start there) and turns it
// on. True when immediate mode is on.
bool enable_immediate_mode(pcap_t* handle);

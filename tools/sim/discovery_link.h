// The simulated system's wire: captures Discovery Protocol commands on its interface
// and sends its answers there.
#pragma once

#include "sim_options.h"
#include "sim_system.h"

#include <atomic>

// Serves the Discovery Protocol for every system until stop becomes true. 0 after a
// stop; -1 when the interface cannot be opened or read (the reason goes to standard
// error).
int run_discovery(const SimOptions& options, SimSystems& systems, const std::atomic<bool>& stop);

// The interface's own MAC, as the capture library lists it. false when it has none.
bool interface_mac(const char* interface, uint8_t out[6]);

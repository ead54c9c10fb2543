// The simulated system's Device Service: the firmware update's other side, joined to
// the system's identity so that a reboot silences it and brings the new firmware text.
#pragma once

#include "device_service.h"
#include "sim_options.h"
#include "sim_system.h"

#include <memory>
#include <string>

// Reads one --fault rule; false with the reason in error.
bool parse_fault_rule(const std::string& text, talvo_sim::FaultRule* rule, std::string* error);

// Starts the service on every address of the host, port 5555. Empty with the reason
// printed when it cannot listen or a fault rule is bad.
std::unique_ptr<talvo_sim::DeviceService> start_device_link(const SimOptions& options, SimSystem& system);

// What the commands share: finding the interface and scanning its segment.
#pragma once

#include "cli/commands.h"
#include "discovery/interface_record.h"
#include "discovery/system_record.h"

#include <string>
#include <vector>

// The interface named name (device name, or description). false with the reason
// printed when there is none.
bool find_interface(const std::string& name, InterfaceRecord* out);

// The systems on nic's segment, each once. false when the capture failed (the reason
// is printed); what a user should know of the scan goes to standard error.
bool scan_segment(const InterfaceRecord& nic, std::vector<SystemRecord>* systems);

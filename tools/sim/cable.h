// What plugging a simulated system in and pulling its cable does: its discovery
// answers, its Device Service and, for a lone system that owns its interface, its
// kernel's ARP answers. A line on standard output says each.
#pragma once

#include "device_service.h"
#include "presence_watcher.h"
#include "sim_options.h"
#include "sim_system.h"

// The change for PresenceWatcher. device may be null (no Device Service); it, systems
// and options must outlive the watcher.
PresenceWatcher::OnChange cable_for(const SimOptions& options, SimSystems& systems,
                                    talvo_sim::DeviceService* device);

// One line for each system on the segment from the start, as the change's line says it.
void say_present_at_start(const SimOptions& options, const SimSystems& systems);

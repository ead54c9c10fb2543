// Values that tests change to run an update of the program quickly or to make a step
// fail; run_firmware_update and update_spmmc hand them to the update core. The program
// itself never writes them.
#pragma once

#include "update/dead_peer.h"
#include "update/device_update.h"

#include <cstddef>
#include <cstdint>

struct soap;

// The wait for the system's restart after the reboot request.
constexpr uint32_t RealRebootWaitMs = 30000;
extern uint32_t RebootWaitMs;

// The deadlines of the calls (connection_settings.h).
extern uint32_t CallDeadlineMs;
extern uint32_t InstallDeadlineMs;

// The dead-peer timings the next connections get.
extern DeadPeerTimings DeadPeerSettings;

// Takes the context memory for one chunk (soap_malloc).
extern void* (*TakeChunkMemory)(struct soap* soap, size_t size);

// A job for the system at address with the values above, through the chosen interface.
UpdateJob update_job_for(const char* address);

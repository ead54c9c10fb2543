#include "core_link/update_seams.h"

#include "core_link/chosen_interface.h"
#include "discovery/system_reach.h"

#include <stdsoap2.h>

#include <cstdio>

uint32_t RebootWaitMs = RealRebootWaitMs;
uint32_t CallDeadlineMs = RealCallDeadlineMs;
uint32_t InstallDeadlineMs = RealInstallDeadlineMs;
DeadPeerTimings DeadPeerSettings = RealDeadPeerTimings;
void* (*TakeChunkMemory)(struct soap*, size_t) = soap_malloc;

UpdateJob update_job_for(const char* address) {
    UpdateJob job;
    job.address = address;
    job.timings.call_deadline_ms = CallDeadlineMs;
    job.timings.install_deadline_ms = InstallDeadlineMs;
    job.timings.reboot_wait_ms = RebootWaitMs;
    job.timings.dead_peer = DeadPeerSettings;
    job.take_chunk_memory = TakeChunkMemory;
    // Only through the cable the systems were found on, whatever the other routes say.
    const InterfaceRecord* nic = chosen_interface();
    if (nic == nullptr) return job;
    unsigned b[4] = {};
    uint8_t system[4] = {};
    if (std::sscanf(address, "%u.%u.%u.%u", &b[0], &b[1], &b[2], &b[3]) == 4)
        for (int i = 0; i < 4; ++i) system[i] = static_cast<uint8_t>(b[i]);
    uint8_t source[4];
    source_toward(*nic, system, source);
    job.route = route_through(nic->device_name, source);
    return job;
}

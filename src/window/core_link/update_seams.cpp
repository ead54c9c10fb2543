#include "core_link/update_seams.h"

#include "core_link/chosen_interface.h"

#include <stdsoap2.h>

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
    if (const InterfaceRecord* nic = chosen_interface()) job.route = route_through(nic->device_name, nic->ipv4);
    return job;
}

// The firmware update of one system as a core with explicit inputs and outputs: no
// screen and no process-wide values, so several updates may run at once on threads of
// their own, each with its own connections.
//
//   UpdateJob job;
//   job.address = "198.51.100.20";
//   job.firmware_path = "/opt/fw/TLV-3.3.0.firm";
//   job.sd_board_path = "/opt/fw/TLV-3.3.0.spmmc";  // or empty
//   UpdateOutcome outcome = update_system(job, [](const UpdateProgress& p) { ... });
//   if (outcome.code != 0) ... outcome.error_text ...
//
// The steps: GetModuleType, the reset of any upload in progress, the firmware in chunks
// and its installation, the SD board file system when a path is given (over a second
// connection), the reboot request and the wait for the restart.
#pragma once

#include "firmware/connection_settings.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

struct soap;

struct UpdateTimings {
    uint32_t call_deadline_ms = RealCallDeadlineMs;
    uint32_t install_deadline_ms = RealInstallDeadlineMs;
    uint32_t reboot_wait_ms = 30000;  // the system's restart after the reboot request
    DeadPeerTimings dead_peer = RealDeadPeerTimings;
};

struct UpdateJob {
    std::string address;        // dotted IPv4 of the system
    std::string firmware_path;  // the .firm file
    std::string sd_board_path;  // the matching .spmmc, empty for none
    // When set, asked once the firmware is installed instead of sd_board_path: the path
    // of the SD board file then, or empty for none.
    std::function<std::string()> find_sd_board_path;
    UpdateTimings timings;
    ReplyLimits limits;
    // Takes the context memory for one chunk; null for soap_malloc.
    void* (*take_chunk_memory)(struct soap* soap, size_t size) = nullptr;
};

// status is the step, 1 to 8, as the progress screen numbers it: 1 start, 2 the system
// answered, 3 firmware upload, 4 firmware installation, 5 SD board upload, 6 its
// installation, 7 its validation, 8 reboot. During an upload the bytes sent of the
// file's size; 0 of 0 otherwise.
struct UpdateProgress {
    int32_t status = 1;
    uint64_t bytes_sent = 0;
    uint64_t bytes_total = 0;
};

// code 0: updated. Otherwise the step that failed: -1 no connection, -2 GetModuleType,
// -3 the reset, -4 the firmware file, -6 no memory, -7 a chunk call failed, -8 a chunk
// refused, -9 the closing call failed, -10 the installation refused, -11 the SD board
// file system or the reboot. error_text says why.
struct UpdateOutcome {
    int32_t code = 0;
    std::string error_text;
};

// Diagnostic lines, each with its line end: progress on Out, errors on Err.
enum class DiagnosticStream { Out, Err };
using DiagnosticSink = std::function<void(DiagnosticStream, const std::string& line)>;
using ProgressSink = std::function<void(const UpdateProgress&)>;

// Both sinks may be empty. They are called on the calling thread.
UpdateOutcome update_system(const UpdateJob& job, const ProgressSink& progress,
                            const DiagnosticSink& diagnostics = {});

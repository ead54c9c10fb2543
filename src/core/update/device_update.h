// The firmware update of one system as a core with explicit inputs and outputs: no
// screen and no process-wide values, so several updates may run at once on threads of
// their own, each with its own connections.
//
//   UpdateJob job;
//   job.address = "198.51.100.20";
//   job.firmware_path = "/opt/fw/TLV-3.3.0.firm";
//   job.sd_board_path = "/opt/fw/TLV-3.3.0.spmmc";  // or empty
//   UpdateOutcome outcome = update_system(job, [](const UpdateProgress& p) { ... });
//   if (!outcome.updated()) ... outcome.step, outcome.failure, outcome.error_text ...
//
// The steps: GetModuleType, the reset of any upload in progress, the firmware in chunks
// and its installation, the SD board file system when a path is given (over a second
// connection), the reboot request and the wait for the restart.
#pragma once

#include "diagnostics/diagnostic_sink.h"
#include "update/connection_settings.h"
#include "update/install_gate.h"
#include "update/update_outcome.h"

#include <atomic>
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

// The SD board file of firmware_name in folder (sd_board_file.h), looked for once the
// firmware is installed.
struct SdBoardSearch {
    std::string folder;  // empty: no search
    std::string firmware_name;
};

struct UpdateJob {
    std::string address;        // dotted IPv4 of the system
    std::string firmware_path;  // the .firm file
    std::string sd_board_path;  // the matching .spmmc, empty for none
    // With a folder, used instead of sd_board_path. A folder that cannot be searched holds
    // none; the search's error number is said on Out ("FindFirstFile failed (2)").
    SdBoardSearch sd_board_search;
    UpdateTimings timings;
    ReplyLimits limits;
    // Takes the context memory for one chunk; null for soap_malloc.
    void* (*take_chunk_memory)(struct soap* soap, size_t size) = nullptr;
    // The connections' way to the system (the interface it was found on).
    ConnectionRoute route;
    // true: a connection that fails puts the runtime's report on Err (the window's
    // console keeps it); false: its cause ends the error text, one line for a terminal.
    bool fault_reports = true;
    // Asked to stop through it, the update stops where that is safe: anything before the
    // firmware's installation is dropped at once (Interrupted); from the installing call
    // on, the sequence goes on to the reboot request and its wait. Null: never.
    InstallGate* gate = nullptr;
    // Each chunk of a file as the system accepted it (the bytes it was sent); may be empty.
    std::function<void(UpdateStep step, const unsigned char* bytes, size_t size)> chunk_sent;
};

// The step the update has reached, reported as it begins: CheckingSystem at the start,
// ResettingUpload once the system answered, an upload once its file is open. During an
// upload the bytes sent of the file's size; 0 of 0 otherwise.
struct UpdateProgress {
    UpdateStep step = UpdateStep::CheckingSystem;
    uint64_t bytes_sent = 0;
    uint64_t bytes_total = 0;
};

using ProgressSink = std::function<void(const UpdateProgress&)>;

// Both sinks may be empty. They are called on the calling thread.
UpdateOutcome update_system(const UpdateJob& job, const ProgressSink& progress,
                            const DiagnosticSink& diagnostics = {});

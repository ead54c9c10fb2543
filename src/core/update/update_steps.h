// The steps of an update, shared by update_system and by the window's own step functions
// (reset_upload, reboot_system, update_spmmc). An UpdateContext carries one run's job,
// where its progress and diagnostic lines go, the step it is in and the reason of its
// failure.
#pragma once

#include "update/device_update.h"

#include <cstdarg>
#include <cstdint>

class DeviceConnection;
struct DeviceReply;

constexpr size_t ChunkSize = 65535;  // 0xFFFF, not 65536

class UpdateContext {
public:
    UpdateContext(const UpdateJob& job, const ProgressSink& progress, const DiagnosticSink& diagnostics)
        : job_(job), progress_(progress), diagnostics_(diagnostics) {}

    const UpdateJob& job() const { return job_; }
    ConnectionSettings connection_settings() const;

    void out(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void err(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // The run is in step from now on: a failure is that step's.
    void enter(UpdateStep step) { step_ = step; }
    // Enters step and reports it.
    void step(UpdateStep step, uint64_t sent = 0, uint64_t total = 0);
    UpdateStep current_step() const { return step_; }
    void fail(const char* format, ...) __attribute__((format(printf, 2, 3)));  // sets error_text
    // A call failed during `during` ("the firmware upload"): the reason it can tell,
    // "Impossible to access the system" where the system did not answer, and the
    // runtime's report on Err. Returns CallFailed.
    UpdateFailure call_failed(const DeviceConnection& connection, const char* during);
    // The system refused: its text is the reason, and `line` (with %s for the text) on Err.
    UpdateFailure refused(const DeviceReply& reply, const char* line);
    // Opens connection to the job's system: None when it is open; otherwise NoConnection
    // (the reason set and the runtime's report on Err) or Interrupted.
    UpdateFailure open_connection(DeviceConnection& connection);
    // The job asked to stop and the update may still stop: it is not installing yet.
    bool stopping() const;
    // Sets the reason of an update stopped on request; returns Interrupted.
    UpdateFailure interrupted();

    const std::string& error_text() const { return error_text_; }

private:
    void emit(DiagnosticStream stream, const char* format, va_list args);
    // "Impossible to access the system", with the runtime's report on Err or, without
    // the job's fault_reports, the cause in the text.
    void no_access(const DeviceConnection& connection);

    const UpdateJob& job_;
    const ProgressSink& progress_;
    const DiagnosticSink& diagnostics_;
    UpdateStep step_ = UpdateStep::CheckingSystem;
    std::string error_text_;
};

// What a failed call tells, or "" when it tells no more than "Impossible to access the system":
// the fault's reason, the deadline passed, or the reply refused.
std::string call_failure_reason(const DeviceConnection& connection, const char* during);

// Asks the system to install an empty upload, which drops any upload in progress.
// None when the system refused (the expected answer); CallFailed or ResetAccepted.
UpdateFailure drop_pending_upload(DeviceConnection& connection, UpdateContext& run);

// None when the system accepted the reboot; CallFailed or Refused.
UpdateFailure request_reboot(DeviceConnection& connection, UpdateContext& run);

// Uploads, installs and validates the SD board file system at path over a connection
// of its own. None, or how it failed; the run's step tells where.
UpdateFailure update_sd_board(const std::string& path, UpdateContext& run);

using ChunkCall = int (*)(DeviceConnection&, unsigned char* bytes, int count, uint64_t eof,
                          DeviceReply& reply);

// Opens path, prints `announce` and sends the file in chunks of ChunkSize bytes, one
// call each with ulEOF 0, reporting `step` with the bytes sent. None when the whole
// file was sent unchanged; NoMemory, CallFailed, Refused (a chunk), or FileUnusable
// when the file did not open, was no regular file, or ended early, grew or changed.
struct UploadStep {
    ChunkCall call;
    UpdateStep step;
    const char* announce;  // the line printed once the file is open
    const char* during;    // the step's name in "The system stopped answering during ..."
};
UpdateFailure upload_file(const std::string& path, DeviceConnection& connection, const UploadStep& step,
                          UpdateContext& run);

// The closing call of an upload (ulEOF 1): the system installs what it received. Reports
// `step`, prints `announce`; a refusal prints `refused` on Err with the system's code
// (when with_code) and text, and its text is the reason.
struct InstallStep {
    ChunkCall call;
    UpdateStep step;
    const char* announce;
    const char* during;   // "the firmware installation"
    const char* refused;  // "error while firmware update: %d %s\n"
    bool with_code;
};
UpdateFailure install_upload(DeviceConnection& connection, const InstallStep& step, UpdateContext& run);

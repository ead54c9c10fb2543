// The steps of an update, shared by update_system and by the program's own step
// functions (reset_upload, reboot_system, update_spmmc). An UpdateContext carries one
// run's job, where its progress and diagnostic lines go, and the reason of its failure.
#pragma once

#include "firmware/device_update.h"

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
    void step(int32_t status, uint64_t sent = 0, uint64_t total = 0);
    void fail(const char* format, ...) __attribute__((format(printf, 2, 3)));  // sets error_text
    // A call failed during `during` ("the firmware upload"): the reason it can tell,
    // "Impossible to access the system" where the system did not answer, and the
    // runtime's report on Err.
    void call_failed(const DeviceConnection& connection, const char* during);
    // The connection did not open.
    void connect_failed(const DeviceConnection& connection);

    const std::string& error_text() const { return error_text_; }

private:
    void emit(DiagnosticStream stream, const char* format, va_list args);

    const UpdateJob& job_;
    const ProgressSink& progress_;
    const DiagnosticSink& diagnostics_;
    std::string error_text_;
};

// What a failed call tells, or "" when it tells no more than "Impossible to access the system":
// the fault's reason, the deadline passed, or the reply refused.
std::string call_failure_reason(const DeviceConnection& connection, const char* during);

// Asks the system to install an empty upload, which drops any upload in progress.
// 0 when the system refused (the expected answer), -1 otherwise.
int32_t drop_pending_upload(DeviceConnection& connection, UpdateContext& run);

// 0 when the system accepted the reboot, -1 otherwise.
int32_t request_reboot(DeviceConnection& connection, UpdateContext& run);

// Uploads, installs and validates the SD board file system at path over a connection
// of its own: 0, or -1 no connection, -2 the file, -6 no memory, -7 a chunk call failed,
// -8 a chunk refused, -9 the closing call failed, -10 refused, -11 the validation call
// failed, -12 the validation refused.
int32_t update_sd_board(const std::string& path, UpdateContext& run);

using ChunkCall = int (*)(DeviceConnection&, unsigned char* bytes, int count, uint64_t eof,
                          DeviceReply& reply);

// Opens path, prints `announce` and sends the file in chunks of ChunkSize bytes, one
// call each with ulEOF 0, reporting `status` with the bytes sent. 0 when the whole file was sent unchanged;
// -6 no memory, -7 a call failed, -8 a chunk was refused, file_failure when the file
// did not open, was no regular file, or ended early, grew or changed.
struct UploadStep {
    ChunkCall call;
    int32_t status;
    const char* announce;  // the line printed once the file is open
    const char* during;    // the step's name in "The system stopped answering during ..."
    int32_t file_failure;
};
int32_t upload_file(const std::string& path, DeviceConnection& connection, const UploadStep& step,
                    UpdateContext& run);

#include "firmware/update_steps.h"

#include "firmware/device_calls.h"
#include "firmware/device_connection.h"
#include "firmware/update_file.h"

#include <stdsoap2.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

ConnectionSettings UpdateContext::connection_settings() const {
    ConnectionSettings settings;
    settings.call_deadline_ms = job_.timings.call_deadline_ms;
    settings.install_deadline_ms = job_.timings.install_deadline_ms;
    settings.dead_peer = job_.timings.dead_peer;
    settings.limits = job_.limits;
    return settings;
}

void UpdateContext::emit(DiagnosticStream stream, const char* format, va_list args) {
    if (!diagnostics_) return;
    char line[1024];
    std::vsnprintf(line, sizeof line, format, args);
    diagnostics_(stream, line);
}

void UpdateContext::out(const char* format, ...) {
    va_list args;
    va_start(args, format);
    emit(DiagnosticStream::Out, format, args);
    va_end(args);
}

void UpdateContext::err(const char* format, ...) {
    va_list args;
    va_start(args, format);
    emit(DiagnosticStream::Err, format, args);
    va_end(args);
}

void UpdateContext::step(int32_t status, uint64_t sent, uint64_t total) {
    if (progress_) progress_(UpdateProgress{status, sent, total});
}

void UpdateContext::fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    char text[1024];
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    error_text_ = text;
}

std::string call_failure_reason(const DeviceConnection& connection, const char* during) {
    switch (connection.failure()) {
    case CallFailure::Deadline:
        return std::string("The system stopped answering during ") + during;
    case CallFailure::ReplyTooLarge:
        return "The system's reply was refused: larger than a Device Service reply can be";
    case CallFailure::Fault: {
        const std::string reason = connection.fault_reason();
        return reason.empty() ? "The system answered with a SOAP fault" : reason;
    }
    case CallFailure::Transport:
    case CallFailure::BadReply:
        break;
    }
    return {};
}

void UpdateContext::call_failed(const DeviceConnection& connection, const char* during) {
    const std::string reason = call_failure_reason(connection, during);
    fail("%s", reason.empty() ? "Impossible to access the system" : reason.c_str());
    err("%s", connection.fault_report().c_str());
}

void UpdateContext::connect_failed(const DeviceConnection& connection) {
    fail("Impossible to access the system");
    err("%s", connection.fault_report().c_str());
}

int32_t drop_pending_upload(DeviceConnection& connection, UpdateContext& run) {
    run.out("forcing reset of upload on the module\n");
    DeviceReply reply;
    if (call_firmware_update_empty(connection, 1, reply) != 0) {
        run.call_failed(connection, "the reset of the upload");
        return -1;
    }
    if (reply.iReturnValue != 0) return 0;  // refused: no upload is pending now
    const char* format = "%s: call TLCommonPrivate__FirmwareUpdate() should not have succeeded !\n";
    run.err(format, "reset_upload");
    run.fail(format, "reset_upload");
    return -1;
}

int32_t request_reboot(DeviceConnection& connection, UpdateContext& run) {
    DeviceReply reply;
    if (call_force_reboot(connection, reply) != 0) {
        run.call_failed(connection, "the reboot request");
        return -1;
    }
    if (reply.iReturnValue != 0) {
        run.err("reboot failed: errno=%d \n", reply.syserrno);
        run.fail("reboot failed: errno=%d \n", reply.syserrno);
        return -1;
    }
    return 0;
}

namespace {

int32_t out_of_memory(UpdateContext& run) {
    run.err("malloc error\n");
    run.fail("Not enough memory to upload the file");
    return -6;
}

// One chunk: copied once into context memory, which the call releases afterwards.
int32_t send_chunk(DeviceConnection& connection, const UploadStep& step, const unsigned char* bytes,
                   size_t n, UpdateContext& run) {
    auto take = run.job().take_chunk_memory ? run.job().take_chunk_memory : soap_malloc;
    void* copy = take(connection.context(), n);
    if (!copy) return out_of_memory(run);
    std::memcpy(copy, bytes, n);
    DeviceReply reply;
    if (step.call(connection, static_cast<unsigned char*>(copy), static_cast<int>(n), 0, reply) != 0) {
        run.call_failed(connection, step.during);
        return -7;
    }
    if (reply.iReturnValue != 0) {
        run.err("error while uploading data: %s\n", reply.text.c_str());
        run.fail("%s", reply.text.c_str());
        return -8;
    }
    return 0;
}

int32_t file_failed(UpdateContext& run, const UploadStep& step, const char* what, const std::string& path) {
    run.err("%s : %s\n", what, path.c_str());
    run.fail("%s : %s", what, path.c_str());
    return step.file_failure;
}

int32_t open_failed(UpdateFile::OpenResult result, const UploadStep& step, const std::string& path,
                    UpdateContext& run) {
    return file_failed(run, step,
                       result == UpdateFile::OpenResult::NotRegular ? "Error, not a regular file"
                                                                     : "Error, cannot open file",
                       path);
}

}  // namespace

int32_t upload_file(const std::string& path, DeviceConnection& connection, const UploadStep& step,
                    UpdateContext& run) {
    UpdateFile file;
    const UpdateFile::OpenResult opened = file.open(path);
    if (opened != UpdateFile::OpenResult::Opened) return open_failed(opened, step, path, run);
    run.out("%s", step.announce);
    run.step(step.status, 0, file.size());
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[ChunkSize]);
    if (!buffer) return out_of_memory(run);
    for (;;) {
        size_t n = 0;
        switch (file.next_chunk(buffer.get(), ChunkSize, n)) {
        case UpdateFile::ReadResult::Chunk: break;
        case UpdateFile::ReadResult::ReadError:
            return file_failed(run, step, "Error, cannot read file", path);
        case UpdateFile::ReadResult::EndedEarly:
            return file_failed(run, step, "Error, the file became shorter during the upload", path);
        case UpdateFile::ReadResult::End:
            // What was sent must be the whole file as it was chosen.
            if (!file.unchanged()) return file_failed(run, step, "Error, the file changed during the upload", path);
            return 0;
        }
        if (const int32_t result = send_chunk(connection, step, buffer.get(), n, run)) return result;
        run.step(step.status, file.sent(), file.size());
    }
}

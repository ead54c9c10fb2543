#include "update/update_steps.h"

#include "update/device_calls.h"
#include "update/device_connection.h"
#include "update/update_file.h"

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
    settings.route = job_.route;
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

void UpdateContext::step(UpdateStep step, uint64_t sent, uint64_t total) {
    step_ = step;
    if (progress_) progress_(UpdateProgress{step, sent, total});
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
    case CallFailure::Abandoned: return "interrupted before the installation";
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

UpdateFailure UpdateContext::call_failed(const DeviceConnection& connection, const char* during) {
    if (connection.failure() == CallFailure::Abandoned) return interrupted();
    const std::string reason = call_failure_reason(connection, during);
    if (reason.empty()) {
        no_access(connection);
    } else {
        fail("%s", reason.c_str());
        if (job_.fault_reports) err("%s", connection.fault_report().c_str());
    }
    return UpdateFailure::CallFailed;
}

void UpdateContext::no_access(const DeviceConnection& connection) {
    const std::string cause = connection.fault_reason();
    if (job_.fault_reports || cause.empty()) {
        fail("Impossible to access the system");
    } else {
        fail("Impossible to access the system: %s", cause.c_str());
    }
    if (job_.fault_reports) err("%s", connection.fault_report().c_str());
}

UpdateFailure UpdateContext::refused(const DeviceReply& reply, const char* line) {
    err(line, reply.text.c_str());
    fail("%s", reply.text.c_str());
    return UpdateFailure::Refused;
}

UpdateFailure UpdateContext::open_connection(DeviceConnection& connection) {
    if (connection.open(job_.address.c_str(), connection_settings()) != 0) {
        if (connection.failure() == CallFailure::Abandoned) return interrupted();
        no_access(connection);
        return UpdateFailure::NoConnection;
    }
    if (const int error = connection.watch_error())
        err("cannot watch the connection for a dead system (errno %d)\n", error);
    return UpdateFailure::None;
}

bool UpdateContext::stopping() const {
    return job_.gate && job_.gate->stopped() && !update_installing(step_) &&
           step_ != UpdateStep::WaitingForRestart;
}

UpdateFailure UpdateContext::interrupted() {
    fail("interrupted before the installation");
    return UpdateFailure::Interrupted;
}

UpdateFailure drop_pending_upload(DeviceConnection& connection, UpdateContext& run) {
    run.out("forcing reset of upload on the module\n");
    DeviceReply reply;
    if (call_firmware_update_empty(connection, 1, reply) != 0)
        return run.call_failed(connection, "the reset of the upload");
    if (reply.iReturnValue != 0) return UpdateFailure::None;  // refused: no upload is pending now
    const char* format = "%s: call TLCommonPrivate__FirmwareUpdate() should not have succeeded !\n";
    run.err(format, "reset_upload");
    run.fail(format, "reset_upload");
    return UpdateFailure::ResetAccepted;
}

UpdateFailure request_reboot(DeviceConnection& connection, UpdateContext& run) {
    DeviceReply reply;
    if (call_force_reboot(connection, reply) != 0) return run.call_failed(connection, "the reboot request");
    if (reply.iReturnValue != 0) {
        run.err("reboot failed: errno=%d \n", reply.syserrno);
        run.fail("reboot failed: errno=%d \n", reply.syserrno);
        return UpdateFailure::Refused;
    }
    return UpdateFailure::None;
}

namespace {

UpdateFailure out_of_memory(UpdateContext& run) {
    run.err("malloc error\n");
    run.fail("Not enough memory to upload the file");
    return UpdateFailure::NoMemory;
}

// One chunk: copied once into context memory, which the call releases afterwards.
UpdateFailure send_chunk(DeviceConnection& connection, const UploadStep& step, const unsigned char* bytes,
                         size_t n, UpdateContext& run) {
    auto take = run.job().take_chunk_memory ? run.job().take_chunk_memory : soap_malloc;
    void* copy = take(connection.context(), n);
    if (!copy) return out_of_memory(run);
    std::memcpy(copy, bytes, n);
    DeviceReply reply;
    if (step.call(connection, static_cast<unsigned char*>(copy), static_cast<int>(n), 0, reply) != 0)
        return run.call_failed(connection, step.during);
    if (reply.iReturnValue != 0) return run.refused(reply, "error while uploading data: %s\n");
    return UpdateFailure::None;
}

UpdateFailure file_failed(UpdateContext& run, const char* what, const std::string& path) {
    run.err("%s : %s\n", what, path.c_str());
    run.fail("%s : %s", what, path.c_str());
    return UpdateFailure::FileUnusable;
}

UpdateFailure open_failed(UpdateFile::OpenResult result, const std::string& path, UpdateContext& run) {
    return file_failed(run,
                       result == UpdateFile::OpenResult::NotRegular ? "Error, not a regular file"
                                                                     : "Error, cannot open file",
                       path);
}

}  // namespace

UpdateFailure upload_file(const std::string& path, DeviceConnection& connection, const UploadStep& step,
                          UpdateContext& run) {
    run.enter(step.step);
    UpdateFile file;
    const UpdateFile::OpenResult opened = file.open(path);
    if (opened != UpdateFile::OpenResult::Opened) return open_failed(opened, path, run);
    run.out("%s", step.announce);
    run.step(step.step, 0, file.size());
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[ChunkSize]);
    if (!buffer) return out_of_memory(run);
    for (;;) {
        size_t n = 0;
        switch (file.next_chunk(buffer.get(), ChunkSize, n)) {
        case UpdateFile::ReadResult::Chunk: break;
        case UpdateFile::ReadResult::ReadError: return file_failed(run, "Error, cannot read file", path);
        case UpdateFile::ReadResult::EndedEarly:
            return file_failed(run, "Error, the file became shorter during the upload", path);
        case UpdateFile::ReadResult::End:
            // What was sent must be the whole file as it was chosen.
            if (!file.unchanged()) return file_failed(run, "Error, the file changed during the upload", path);
            return UpdateFailure::None;
        }
        if (run.stopping()) return run.interrupted();
        if (const UpdateFailure failure = send_chunk(connection, step, buffer.get(), n, run);
            failure != UpdateFailure::None)
            return failure;
        if (run.job().chunk_sent) run.job().chunk_sent(step.step, buffer.get(), n);
        run.step(step.step, file.sent(), file.size());
    }
}

UpdateFailure install_upload(DeviceConnection& connection, const InstallStep& step, UpdateContext& run) {
    run.step(step.step);
    run.out("%s", step.announce);
    DeviceReply reply;
    if (step.call(connection, nullptr, 0, 1, reply) != 0) return run.call_failed(connection, step.during);
    if (reply.iReturnValue == 0) return UpdateFailure::None;
    if (step.with_code) run.err(step.refused, reply.iReturnValue, reply.text.c_str());
    else run.err(step.refused, reply.text.c_str());
    run.fail("%s", reply.text.c_str());
    return UpdateFailure::Refused;
}

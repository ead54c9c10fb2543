// The program's update: the core run with the process-wide values of the program.
#include "firmware/update_sequence.h"

#include "firmware/device_update.h"
#include "firmware/firmware_catalogue.h"
#include "firmware/update_seams.h"
#include "firmware/update_steps.h"
#include "shell/app.h"

#include <cstdio>
#include <string>

namespace {

void print_line(DiagnosticStream stream, const std::string& line) {
    std::fputs(line.c_str(), stream == DiagnosticStream::Out ? stdout : stderr);
}

void store_status(const UpdateProgress& progress) {
    UpdateStatus.store(progress.status, std::memory_order_release);
}

// A step of the program: the step's run with the program's sinks, and its reason in
// UpdateErrorText when it failed.
template <typename Step>
int32_t program_step(const char* address, Step step) {
    const UpdateJob job = update_job_for(address);
    const ProgressSink progress = store_status;
    const DiagnosticSink diagnostics = print_line;
    UpdateContext run(job, progress, diagnostics);
    const int32_t result = step(run);
    if (result != 0 && !run.error_text().empty()) set_update_error("%s", run.error_text().c_str());
    return result;
}

}  // namespace

int32_t run_firmware_update(const char* name, const char* path, const char* address) {
    UpdateJob job = update_job_for(address);
    job.firmware_path = path;
    const std::string firmware_name = name;
    job.find_sd_board_path = [firmware_name] { return sd_board_path_for(firmware_name.c_str()); };
    const UpdateOutcome outcome = update_system(job, store_status, print_line);
    if (outcome.code != 0) set_update_error("%s", outcome.error_text.c_str());
    return outcome.code;
}

int32_t reset_upload(DeviceConnection& connection) {
    return program_step("", [&](UpdateContext& run) { return drop_pending_upload(connection, run); });
}

int32_t reboot_system(DeviceConnection& connection) {
    return program_step("", [&](UpdateContext& run) { return request_reboot(connection, run); });
}

int32_t update_spmmc(const char* path, const char* address) {
    return program_step(address, [&](UpdateContext& run) { return update_sd_board(path, run); });
}

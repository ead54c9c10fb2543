// The program's update: the core run with the process-wide values of the program.
#include "core_link/update_sequence.h"

#include "core_link/chosen_interface.h"
#include "core_link/firmware_catalogue.h"
#include "core_link/print_diagnostic.h"
#include "core_link/system_table.h"
#include "core_link/update_seams.h"
#include "core_link/update_status.h"
#include "discovery/system_reach.h"
#include "update/device_update.h"
#include "update/update_steps.h"

#include <cstdio>
#include <string>
#include <vector>

InstallGate UpdateGate;

namespace {

void store_status(const UpdateProgress& progress) {
    UpdateStatus.store(update_status_of(progress.step), std::memory_order_release);
}

// A step of the program: the step's run with the program's sinks, its outcome, and its
// reason in UpdateErrorText when it failed.
template <typename Step>
UpdateOutcome program_step(const char* address, Step step) {
    const UpdateJob job = update_job_for(address);
    const ProgressSink progress = store_status;
    const DiagnosticSink diagnostics = print_diagnostic;
    UpdateContext run(job, progress, diagnostics);
    UpdateOutcome outcome;
    outcome.failure = step(run);
    outcome.step = run.current_step();
    if (!outcome.updated() && !run.error_text().empty()) set_update_error("%s", run.error_text().c_str());
    return outcome;
}

}  // namespace

int32_t run_firmware_update(const char* name, const char* path, const char* address) {
    UpdateJob job = update_job_for(address);
    job.firmware_path = path;
    job.sd_board_search = {firmware_folder(), name};
    job.gate = &UpdateGate;
    const UpdateOutcome outcome = update_system(job, store_status, print_diagnostic);
    if (!outcome.updated()) set_update_error("%s", outcome.error_text.c_str());
    return firmware_update_code(outcome);
}

bool update_reaches_system(int32_t selected) {
    const InterfaceRecord* nic = chosen_interface();
    if (nic == nullptr) return true;
    const std::vector<SystemRecord> found(SystemTable, SystemTable + SystemCount);
    const ReachCheck check = check_reach(SystemTable[selected].ipv4, interface_network(*nic, nic->description), found);
    if (!check.reachable()) set_update_error("%s", check.why.c_str());
    return check.reachable();
}

int32_t reset_upload(DeviceConnection& connection) {
    const auto reset = [&](UpdateContext& run) { return drop_pending_upload(connection, run); };
    return program_step("", reset).updated() ? 0 : -1;
}

int32_t reboot_system(DeviceConnection& connection) {
    const auto reboot = [&](UpdateContext& run) { return request_reboot(connection, run); };
    return program_step("", reboot).updated() ? 0 : -1;
}

int32_t update_spmmc(const char* path, const char* address) {
    return sd_board_code(program_step(address, [&](UpdateContext& run) { return update_sd_board(path, run); }));
}

// The firmware update of one system: reachability check, reset of any upload in
// progress, the firmware in chunks, its installation, the SD board file system when
// one is given, the reboot and the wait for the restart.
#include "update/device_update.h"

#include "update/device_calls.h"
#include "update/device_connection.h"
#include "update/sd_board_file.h"
#include "update/update_steps.h"

#include <chrono>
#include <thread>

namespace {

constexpr UpdateFailure None = UpdateFailure::None;

// The closing call: it returns once the system has installed the firmware.
const InstallStep FirmwareInstall{call_firmware_update, UpdateStep::InstallingFirmware, "Now updating firmware\n",
                                  "the firmware installation", "error while firmware update: %d %s\n", true};

// The SD board file to install after the firmware: the one given, or the one the search
// finds now.
std::string sd_board_file(const UpdateJob& job, UpdateContext& run) {
    const SdBoardSearch& search = job.sd_board_search;
    if (search.folder.empty()) return job.sd_board_path;
    std::string path;
    if (const int error = find_sd_board_file(search.folder, search.firmware_name, &path))
        run.out("FindFirstFile failed (%d)\n", error);
    return path;
}

UpdateFailure check_system_answers(DeviceConnection& connection, UpdateContext& run) {
    DeviceReply reply;  // its content is not examined: the call shows the system answers
    if (call_get_module_type(connection, reply) == 0) return None;
    run.err("Error soap_call_TLCommon__GetModuleType\n");
    const std::string reason = call_failure_reason(connection, "the check of the system");
    run.fail("%s", reason.empty() ? "Error soap_call_TLCommon__GetModuleType" : reason.c_str());
    return UpdateFailure::CallFailed;
}

UpdateFailure run_steps(UpdateContext& run) {
    const UpdateJob& job = run.job();
    if (run.stopping()) return run.interrupted();
    DeviceConnection connection;
    // Until the installing call, dropping the upload is safe.
    connection.set_abandon(job.gate ? job.gate->abandon_flag() : nullptr);
    if (const UpdateFailure failure = run.open_connection(connection); failure != None) return failure;
    if (const UpdateFailure failure = check_system_answers(connection, run); failure != None) return failure;
    run.step(UpdateStep::ResettingUpload);
    if (const UpdateFailure failure = drop_pending_upload(connection, run); failure != None) {
        run.err("Error cannot reset upload\n");
        return failure;
    }
    const UploadStep firmware{call_firmware_update, UpdateStep::UploadingFirmware, "Uploading firmware file\n",
                              "the firmware upload"};
    if (const UpdateFailure failure = upload_file(job.firmware_path, connection, firmware, run); failure != None)
        return failure;
    // The last point to stop: from the installing call on, the system must get its reboot request.
    if (job.gate && !job.gate->enter_installation()) return run.interrupted();
    connection.set_abandon(nullptr);
    if (const UpdateFailure failure = install_upload(connection, FirmwareInstall, run); failure != None)
        return failure;
    const std::string sd_board = sd_board_file(job, run);
    if (!sd_board.empty()) {
        run.out("The system has an spmmc file\n");
        if (const UpdateFailure failure = update_sd_board(sd_board, run); failure != None) return failure;
    }
    run.step(UpdateStep::Rebooting);
    run.out("Now rebooting\n");
    if (const UpdateFailure failure = request_reboot(connection, run); failure != None) {
        run.err("error while rebooting\n");
        return failure;
    }
    if (job.gate) job.gate->leave_installation();
    run.step(UpdateStep::WaitingForRestart);
    std::this_thread::sleep_for(std::chrono::milliseconds(job.timings.reboot_wait_ms));
    return None;
}

}  // namespace

UpdateOutcome update_system(const UpdateJob& job, const ProgressSink& progress,
                            const DiagnosticSink& diagnostics) {
    UpdateContext run(job, progress, diagnostics);
    run.step(UpdateStep::CheckingSystem);
    UpdateOutcome outcome;
    outcome.failure = run_steps(run);
    if (job.gate) job.gate->leave_installation();
    outcome.step = run.current_step();
    if (!outcome.updated()) outcome.error_text = run.error_text();
    return outcome;
}

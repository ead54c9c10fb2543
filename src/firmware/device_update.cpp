// The firmware update of one system: reachability check, reset of any upload in
// progress, the firmware in chunks, its installation, the SD board file system when
// one is given, the reboot and the wait for the restart.
#include "firmware/device_update.h"

#include "firmware/device_calls.h"
#include "firmware/device_connection.h"
#include "firmware/update_steps.h"

#include <chrono>
#include <thread>

namespace {

// The closing call: it returns once the system has installed the firmware.
int32_t install_firmware(DeviceConnection& connection, UpdateContext& run) {
    run.step(4);
    run.out("Now updating firmware\n");
    DeviceReply reply;
    if (call_firmware_update(connection, nullptr, 0, 1, reply) != 0) {
        run.call_failed(connection, "the firmware installation");
        return -9;
    }
    if (reply.iReturnValue != 0) {
        run.err("error while firmware update: %d %s\n", reply.iReturnValue, reply.text.c_str());
        run.fail("%s", reply.text.c_str());
        return -10;
    }
    return 0;
}

int32_t check_system_answers(DeviceConnection& connection, UpdateContext& run) {
    DeviceReply reply;  // its content is not examined: the call shows the system answers
    if (call_get_module_type(connection, reply) == 0) return 0;
    run.err("Error soap_call_TLCommon__GetModuleType\n");
    const std::string reason = call_failure_reason(connection, "the check of the system");
    run.fail("%s", reason.empty() ? "Error soap_call_TLCommon__GetModuleType" : reason.c_str());
    return -2;
}

int32_t run_steps(UpdateContext& run) {
    const UpdateJob& job = run.job();
    DeviceConnection connection;
    if (connection.open(job.address.c_str(), run.connection_settings()) != 0) {
        run.connect_failed(connection);
        return -1;
    }
    if (const int32_t result = check_system_answers(connection, run)) return result;
    run.step(2);
    if (drop_pending_upload(connection, run) == -1) {
        run.err("Error cannot reset upload\n");
        return -3;
    }
    const UploadStep firmware{call_firmware_update, 3, "Uploading firmware file\n", "the firmware upload", -4};
    if (const int32_t result = upload_file(job.firmware_path, connection, firmware, run)) return result;
    if (const int32_t result = install_firmware(connection, run)) return result;
    const std::string sd_board = job.find_sd_board_path ? job.find_sd_board_path() : job.sd_board_path;
    if (!sd_board.empty()) {
        run.out("The system has an spmmc file\n");
        if (update_sd_board(sd_board, run) != 0) return -11;
    }
    run.step(8);
    run.out("Now rebooting\n");
    if (request_reboot(connection, run) == -1) {
        run.err("error while rebooting\n");
        return -11;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(job.timings.reboot_wait_ms));
    return 0;
}

}  // namespace

UpdateOutcome update_system(const UpdateJob& job, const ProgressSink& progress,
                            const DiagnosticSink& diagnostics) {
    UpdateContext run(job, progress, diagnostics);
    run.step(1);
    UpdateOutcome outcome;
    outcome.code = run_steps(run);
    if (outcome.code != 0) outcome.error_text = run.error_text();
    return outcome;
}

// The SD board file system: uploaded, installed and validated over a connection of its
// own, while the firmware's connection waits for the reboot request.
#include "update/device_calls.h"
#include "update/device_connection.h"
#include "update/update_steps.h"

namespace {

const InstallStep SdBoardInstall{call_mmc_update, UpdateStep::InstallingSdBoard, "Now updating spmmc\n",
                                 "the SD board file system installation", "error while spmmc update: %s\n", false};

UpdateFailure validate_sd_board(DeviceConnection& connection, UpdateContext& run) {
    run.out("Try to validate the MMC \n");
    run.step(UpdateStep::ValidatingSdBoard);
    DeviceReply reply;
    if (call_mmc_validate(connection, reply) != 0)
        return run.call_failed(connection, "the SD board file system validation");
    if (reply.iReturnValue != 0) return run.refused(reply, "error while validating mmc: %s\n");
    return UpdateFailure::None;
}

}  // namespace

UpdateFailure update_sd_board(const std::string& path, UpdateContext& run) {
    run.out("doing spmmc update with file : %s\n", path.c_str());
    run.enter(UpdateStep::UploadingSdBoard);
    DeviceConnection connection;  // never abandoned: the firmware is installed by now
    if (const UpdateFailure failure = run.open_connection(connection); failure != UpdateFailure::None)
        return failure;
    const UploadStep upload{call_mmc_update, UpdateStep::UploadingSdBoard, "Uploading spmmc file\n",
                            "the SD board file system upload"};
    if (const UpdateFailure failure = upload_file(path, connection, upload, run); failure != UpdateFailure::None)
        return failure;
    if (const UpdateFailure failure = install_upload(connection, SdBoardInstall, run); failure != UpdateFailure::None)
        return failure;
    return validate_sd_board(connection, run);
}

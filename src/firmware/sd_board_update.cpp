// The SD board file system: uploaded, installed and validated over a connection of its
// own, while the firmware's connection waits for the reboot request.
#include "firmware/device_calls.h"
#include "firmware/device_connection.h"
#include "firmware/update_steps.h"

namespace {

int32_t install_sd_board(DeviceConnection& connection, UpdateContext& run) {
    run.step(6);
    run.out("Now updating spmmc\n");
    DeviceReply reply;
    if (call_mmc_update(connection, nullptr, 0, 1, reply) != 0) {
        run.call_failed(connection, "the SD board file system installation");
        return -9;
    }
    if (reply.iReturnValue != 0) {
        run.err("error while spmmc update: %s\n", reply.text.c_str());
        run.fail("%s", reply.text.c_str());
        return -10;
    }
    return 0;
}

int32_t validate_sd_board(DeviceConnection& connection, UpdateContext& run) {
    run.out("Try to validate the MMC \n");
    run.step(7);
    DeviceReply reply;
    if (call_mmc_validate(connection, reply) != 0) {
        run.call_failed(connection, "the SD board file system validation");
        return -11;
    }
    if (reply.iReturnValue != 0) {
        run.err("error while validating mmc: %s\n", reply.text.c_str());
        run.fail("%s", reply.text.c_str());
        return -12;
    }
    return 0;
}

}  // namespace

int32_t update_sd_board(const std::string& path, UpdateContext& run) {
    run.out("doing spmmc update with file : %s\n", path.c_str());
    DeviceConnection connection;
    if (connection.open(run.job().address.c_str(), run.connection_settings()) != 0) {
        run.connect_failed(connection);
        return -1;
    }
    const UploadStep upload{call_mmc_update, 5, "Uploading spmmc file\n",
                            "the SD board file system upload", -2};
    if (const int32_t result = upload_file(path, connection, upload, run)) return result;
    if (const int32_t result = install_sd_board(connection, run)) return result;
    return validate_sd_board(connection, run);
}

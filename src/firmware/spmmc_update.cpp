// The SD board file system: uploaded, installed and validated over a connection of its
// own, while the firmware's connection waits for the reboot request.
#include "firmware/update_sequence.h"

#include "firmware/device_calls.h"
#include "firmware/device_connection.h"
#include "firmware/update_steps.h"
#include "shell/app.h"

#include <cstdio>

namespace {

void set_status(int32_t status) { UpdateStatus.store(status, std::memory_order_release); }

int32_t upload_spmmc_file(DeviceConnection& connection, const char* path) {
    const FileHandle file = open_update_file(path);
    if (!file) return -2;
    std::printf("Uploading spmmc file\n");
    set_status(5);
    return upload_file_in_chunks(file.get(), path, connection, call_mmc_update, -2);
}

int32_t install_spmmc(DeviceConnection& connection) {
    set_status(6);
    std::printf("Now updating spmmc\n");
    DeviceReply reply;
    if (call_mmc_update(connection, nullptr, 0, 1, reply) != 0) {
        report_access_failure(connection);
        return -9;
    }
    if (reply.iReturnValue != 0) {
        std::fprintf(stderr, "error while spmmc update: %s\n", reply.text.c_str());
        set_update_error("%s", reply.text.c_str());
        return -10;
    }
    return 0;
}

int32_t validate_spmmc(DeviceConnection& connection) {
    std::printf("Try to validate the MMC \n");
    set_status(7);
    DeviceReply reply;
    if (call_mmc_validate(connection, reply) != 0) {
        report_access_failure(connection);
        return -11;
    }
    if (reply.iReturnValue != 0) {
        std::fprintf(stderr, "error while validating mmc: %s\n", reply.text.c_str());
        set_update_error("%s", reply.text.c_str());
        return -12;
    }
    return 0;
}

}  // namespace

int32_t update_spmmc(const char* path, const char* address) {
    std::printf("doing spmmc update with file : %s\n", path);
    DeviceConnection connection;
    if (connection.open(address) != 0) {
        report_access_failure(connection);
        return -1;
    }
    if (const int32_t result = upload_spmmc_file(connection, path)) return result;
    if (const int32_t result = install_spmmc(connection)) return result;
    return validate_spmmc(connection);
}

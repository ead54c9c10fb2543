// The firmware update of one system, on the update thread: reachability check, reset
// of any upload in progress, the firmware in chunks, its installation, the SD board
// file system when one matches, the reboot and the wait for the restart.
#include "firmware/update_sequence.h"

#include "firmware/device_calls.h"
#include "firmware/device_connection.h"
#include "firmware/firmware_catalogue.h"
#include "firmware/update_seams.h"
#include "firmware/update_steps.h"
#include "platform/platform.h"
#include "shell/app.h"
#include "shell/resource_path.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

void set_status(int32_t status) { UpdateStatus.store(status, std::memory_order_release); }

int32_t upload_firmware(DeviceConnection& connection, const char* path) {
    const FileHandle file = open_update_file(path);
    if (!file) return -4;
    std::printf("Uploading firmware file\n");
    set_status(3);
    return upload_file_in_chunks(file.get(), path, connection, call_firmware_update, -4);
}

// The closing call: it returns once the system has installed the firmware.
int32_t install_firmware(DeviceConnection& connection) {
    set_status(4);
    std::printf("Now updating firmware\n");
    DeviceReply reply;
    if (call_firmware_update(connection, nullptr, 0, 1, reply) != 0) {
        report_access_failure(connection);
        return -9;
    }
    if (reply.iReturnValue != 0) {
        std::fprintf(stderr, "error while firmware update: %d %s\n", reply.iReturnValue,
                     reply.text.c_str());
        set_update_error("%s", reply.text.c_str());
        return -10;
    }
    return 0;
}

// The ".spmmc" path comes from the firmware's base name, not from the file that matched.
int32_t update_file_system_if_any(const char* name, const char* address) {
    if (find_spmmc_file(name) != 1) return 0;
    char base[256] = {};
    std::memcpy(base, name, std::min<size_t>(std::strlen(name) - 5, sizeof base - 1));
    std::printf("The system has an spmmc file\n");
    char path[256];
    if (format_bounded(path, sizeof path, "%s/firmware/%s.spmmc", ResourceDir, base) != 0) {
        // A cut path could name another file.
        set_update_error("Error, SD board file path too long : %s", path);
        return -11;
    }
    return update_spmmc(path, address) == 0 ? 0 : -11;
}

}  // namespace

int32_t run_firmware_update(const char* name, const char* path, const char* address) {
    DeviceConnection connection;
    if (connection.open(address) != 0) {
        report_access_failure(connection);
        return -1;
    }
    DeviceReply reply;  // its content is not examined: the call shows the system answers
    if (call_get_module_type(connection, reply) != 0) {
        std::fprintf(stderr, "Error soap_call_TLCommon__GetModuleType\n");
        set_update_error("Error soap_call_TLCommon__GetModuleType");
        return -2;
    }
    set_status(2);
    if (reset_upload(connection) == -1) {
        std::fprintf(stderr, "Error cannot reset upload\n");
        return -3;
    }
    if (const int32_t result = upload_firmware(connection, path)) return result;
    if (const int32_t result = install_firmware(connection)) return result;
    if (const int32_t result = update_file_system_if_any(name, address)) return result;
    set_status(8);
    std::printf("Now rebooting\n");
    if (reboot_system(connection) == -1) {
        std::fprintf(stderr, "error while rebooting\n");
        return -11;
    }
    platform::sleep_ms(RebootWaitMs);
    return 0;
}

int32_t reset_upload(DeviceConnection& connection) {
    std::printf("forcing reset of upload on the module\n");
    DeviceReply reply;
    if (call_firmware_update_empty(connection, 1, reply) != 0) {
        report_access_failure(connection);
        return -1;
    }
    if (reply.iReturnValue != 0) return 0;  // refused: no upload is pending now
    const char* format = "%s: call TLCommonPrivate__FirmwareUpdate() should not have succeeded !\n";
    std::fprintf(stderr, format, "reset_upload");
    set_update_error(format, "reset_upload");
    return -1;
}

int32_t reboot_system(DeviceConnection& connection) {
    DeviceReply reply;
    if (call_force_reboot(connection, reply) != 0) {
        report_access_failure(connection);
        return -1;
    }
    if (reply.iReturnValue != 0) {
        std::fprintf(stderr, "reboot failed: errno=%d \n", reply.syserrno);
        set_update_error("reboot failed: errno=%d \n", reply.syserrno);
        return -1;
    }
    return 0;
}

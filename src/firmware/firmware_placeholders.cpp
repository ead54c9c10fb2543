// Stand-ins until the firmware update is built: an empty catalogue and an update that
// reports it cannot reach the system.
#include "firmware/firmware_catalogue.h"
#include "firmware/update_sequence.h"
#include "shell/app.h"

char FirmwareNames[FirmwareTableSize][FirmwareNameSize] = {};
int32_t FirmwareCount = 0;

int32_t read_firmware_catalogue() {
    ChosenFirmware = -1;
    FirmwareCount = 0;
    return 0;
}

int32_t find_spmmc_file(const char*) { return 0; }

int32_t run_firmware_update(const char*, const char*, const char*) {
    set_update_error("Impossible to access the system");
    return -1;
}

// The firmware files (*.firm) of the firmware directory beside the executable.
#pragma once

#include <cstdint>

constexpr int FirmwareTableSize = 200;
constexpr int FirmwareNameSize = 32;

extern char FirmwareNames[FirmwareTableSize][FirmwareNameSize];
extern int32_t FirmwareCount;

// Refills FirmwareNames and FirmwareCount and sets ChosenFirmware to -1.
// 0 when the search ran, -1 when it did not start.
int32_t read_firmware_catalogue();

// 1 when a ".spmmc" file matches the firmware name, 0 when none does (or the name is
// shorter than 5 characters), -1 when the search did not start.
int32_t find_spmmc_file(const char* name);

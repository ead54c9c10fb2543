// The firmware files (*.firm) of the firmware directory beside the executable.
#pragma once

#include <cstdint>
#include <string>

constexpr int FirmwareTableSize = 200;
constexpr int FirmwareNameSize = 32;

extern char FirmwareNames[FirmwareTableSize][FirmwareNameSize];
extern int32_t FirmwareCount;
extern int32_t ChosenFirmware;  // entry of FirmwareNames, -1 for none

// Refills FirmwareNames and FirmwareCount and sets ChosenFirmware to -1.
// 0 when the search ran, -1 when it did not start.
int32_t read_firmware_catalogue();

// 1 when the firmware's SD board file is in the folder (see sd_board_path_for), 0 when
// it is not (or the name is shorter than 5 characters), -1 when the search did not start.
int32_t find_spmmc_file(const char* name);

// The path of the firmware's SD board file: the ".spmmc" file (extension in any case)
// whose base name is the firmware's, under the name the directory gives it; empty when
// there is none. A file whose name only begins with the base name belongs to another
// firmware ("fw_20.spmmc" is not the file of "fw_2.firm").
std::string sd_board_path_for(const char* name);

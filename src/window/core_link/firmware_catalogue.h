// The firmware files (*.firm) of the firmware directory beside the executable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

constexpr int FirmwareTableSize = 200;
constexpr int FirmwareNameSize = 32;
constexpr size_t FirmwarePathSize = 256;  // a firmware file's path: 255 characters at most

extern char FirmwareNames[FirmwareTableSize][FirmwareNameSize];
extern int32_t FirmwareCount;
extern int32_t ChosenFirmware;  // entry of FirmwareNames, -1 for none

// Refills FirmwareNames and FirmwareCount and sets ChosenFirmware to -1.
// 0 when the search ran, -1 when it did not start.
int32_t read_firmware_catalogue();

// 1 when the firmware's SD board file is in the folder, 0 when it is not (or the name is
// shorter than 5 characters), -1 when the search did not start. The SD board file is the
// ".spmmc" file (extension in any case) whose base name is the firmware's; a file whose
// name only begins with the base name belongs to another firmware ("fw_20.spmmc" is not
// the file of "fw_2.firm").
int32_t find_spmmc_file(const char* name);

// The firmware folder beside the program, ResourceDir/firmware, and the path of its file
// `name`: the one place where either is composed.
std::string firmware_folder();
std::string firmware_file_path(const std::string& name);

// A firmware file as the update takes it: its name in the catalogue and its path.
struct FirmwareFile {
    std::string name;
    std::string path;
};

// The entry of FirmwareNames that ChosenFirmware names, with its path; nothing when
// ChosenFirmware names none.
std::optional<FirmwareFile> chosen_firmware();

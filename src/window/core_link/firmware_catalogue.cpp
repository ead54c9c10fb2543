#include "core_link/firmware_catalogue.h"

#include "platform/platform.h"
#include "toolkit/resource_path.h"
#include "update/sd_board_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

char FirmwareNames[FirmwareTableSize][FirmwareNameSize] = {};
int32_t FirmwareCount = 0;
int32_t ChosenFirmware = -1;

namespace {

// A failed search of the firmware folder says so, as on the systems' original platform.
int reported(int error) {
    if (error != 0) std::printf("FindFirstFile failed (%d)\n", error);
    return error;
}

// A folder path that would not fit the firmware path's buffer is not searched.
bool fits(const std::string& folder) { return folder.size() < FirmwarePathSize; }

// The names in the firmware folder ending in extension, or the search's error number.
int search_firmware_directory(const char* extension, std::vector<std::string>& names) {
    const std::string folder = firmware_folder();
    if (!fits(folder)) return reported(ENAMETOOLONG);
    return reported(platform::find_files_with_extension(folder.c_str(), extension, names));
}

// The SD board file of the firmware `name` in the firmware folder, or the search's error.
int search_sd_board_file(const char* name, std::string* path) {
    const std::string folder = firmware_folder();
    path->clear();
    if (!fits(folder)) return reported(ENAMETOOLONG);
    return reported(find_sd_board_file(folder, name, path));
}

// A name of 32 characters or more would lose its terminator in its entry, and a cut
// name could name another file: it is left out. So are names past the 200th.
bool add_firmware_name(const std::string& name) {
    if (name.size() >= FirmwareNameSize) {
        std::printf("Firmware file name too long, left out : %s\n", name.c_str());
        return true;
    }
    if (FirmwareCount >= FirmwareTableSize) {
        std::printf("More than %d firmware files: %s and the next ones are left out\n",
                    FirmwareTableSize, name.c_str());
        return false;
    }
    std::memcpy(FirmwareNames[FirmwareCount], name.c_str(), name.size() + 1);
    ++FirmwareCount;
    return true;
}

// Only regular files (or links to one) can be uploaded whole: a folder, a FIFO or a
// device named like a firmware file is not listed.
bool is_regular_firmware_file(const std::string& name) {
    return platform::is_regular_file(firmware_file_path(name).c_str());
}

}  // namespace

int32_t read_firmware_catalogue() {
    ChosenFirmware = -1;
    FirmwareCount = 0;
    std::vector<std::string> names;
    if (search_firmware_directory(".firm", names) != 0) return -1;
    for (const std::string& name : names)
        if (is_regular_firmware_file(name) && !add_firmware_name(name)) break;
    return 0;
}

int32_t find_spmmc_file(const char* name) {
    if (std::strlen(name) < 5) return 0;
    std::string path;
    if (search_sd_board_file(name, &path) != 0) return -1;
    return path.empty() ? 0 : 1;
}

std::string firmware_folder() { return std::string(ResourceDir) + "/firmware"; }

std::string firmware_file_path(const std::string& name) { return firmware_folder() + "/" + name; }

std::optional<FirmwareFile> chosen_firmware() {
    if (ChosenFirmware < 0 || ChosenFirmware >= FirmwareCount) return std::nullopt;
    const std::string name = FirmwareNames[ChosenFirmware];
    return FirmwareFile{name, firmware_file_path(name)};
}

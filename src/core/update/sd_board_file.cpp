#include "update/sd_board_file.h"

#include "platform/platform.h"

#include <strings.h>

std::string sd_board_name_for(const std::string& firmware_name, const std::vector<std::string>& spmmc_names) {
    constexpr size_t FirmExtension = 5;  // ".firm"
    const size_t length = firmware_name.size();
    if (length < FirmExtension || strcasecmp(firmware_name.c_str() + length - FirmExtension, ".firm") != 0) return {};
    const std::string base = firmware_name.substr(0, length - FirmExtension);
    for (const std::string& name : spmmc_names)
        if (name.size() == base.size() + 6 && name.compare(0, base.size(), base) == 0 &&
            strcasecmp(name.c_str() + base.size(), ".spmmc") == 0)
            return name;
    return {};
}

int find_sd_board_file(const std::string& directory, const std::string& firmware_name, std::string* path) {
    path->clear();
    std::vector<std::string> spmmc_names;
    if (const int error = platform::find_files_with_extension(directory.c_str(), ".spmmc", spmmc_names))
        return error;
    const std::string match = sd_board_name_for(firmware_name, spmmc_names);
    if (!match.empty()) *path = directory + "/" + match;
    return 0;
}

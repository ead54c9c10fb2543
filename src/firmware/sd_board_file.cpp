#include "firmware/sd_board_file.h"

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

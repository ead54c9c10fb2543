#include "cli/firmware_files.h"

#include "firmware/sd_board_file.h"
#include "platform/platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

bool readable_regular_file(const std::string& path, std::string* why) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *why = path + ": " + std::strerror(errno);
        return false;
    }
    struct stat info;
    const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    close(fd);
    if (!regular) *why = path + ": not a regular file";
    return regular;
}

std::string sd_board_beside(const std::string& firmware_path) {
    const size_t slash = firmware_path.find_last_of('/');
    const std::string directory = slash == std::string::npos ? "." : firmware_path.substr(0, slash == 0 ? 1 : slash);
    const std::string name = slash == std::string::npos ? firmware_path : firmware_path.substr(slash + 1);
    std::vector<std::string> spmmc_names;
    if (platform::find_files_with_extension(directory.c_str(), ".spmmc", spmmc_names) != 0) return {};
    const std::string match = sd_board_name_for(name, spmmc_names);
    return match.empty() ? match : directory + "/" + match;
}

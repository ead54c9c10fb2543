#include "cli/firmware_files.h"

#include "update/sd_board_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

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
    std::string path;
    find_sd_board_file(directory, name, &path);  // a folder that cannot be searched holds none
    return path;
}

bool check_update_files(const std::string& firmware, const std::string& sd_option, std::string* sd_board) {
    std::string why;
    if (!readable_regular_file(firmware, &why)) {
        std::fprintf(stderr, "talvo: the firmware file %s\n", why.c_str());
        return false;
    }
    *sd_board = sd_option.empty() ? sd_board_beside(firmware) : sd_option;
    if (!sd_board->empty() && !readable_regular_file(*sd_board, &why)) {
        std::fprintf(stderr, "talvo: the SD board file %s\n", why.c_str());
        return false;
    }
    return true;
}

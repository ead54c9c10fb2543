// The files an update loads, checked before any system is touched.
#pragma once

#include <string>

// true when path is a regular file this user can read; otherwise false with the
// reason (naming the path) in *why. Opened without blocking, so a FIFO cannot hang it.
bool readable_regular_file(const std::string& path, std::string* why);

// The SD board file system beside a firmware file: the ".spmmc" file (extension in any
// case) in the same folder whose name is the firmware's less its ".firm". Empty when
// there is none or the firmware's name does not end in ".firm".
std::string sd_board_beside(const std::string& firmware_path);

// The firmware file and its SD board file system (sd_option, or the one beside the
// firmware, or none), each a regular readable file; otherwise false, said on standard
// error.
bool check_update_files(const std::string& firmware, const std::string& sd_option, std::string* sd_board);

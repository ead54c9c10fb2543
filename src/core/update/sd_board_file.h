// The SD board file system that goes with a firmware file: for "NAME.firm" it is
// "NAME.spmmc", either extension in any case (files copied from Windows). A file whose
// name only begins with NAME belongs to another firmware ("fw_20.spmmc" is not the file
// of "fw_2.firm").
#pragma once

#include <string>
#include <vector>

// Of the names of a folder's ".spmmc" files, the one that goes with firmware_name, as
// the folder spells it; empty when none does or firmware_name does not end in ".firm".
std::string sd_board_name_for(const std::string& firmware_name, const std::vector<std::string>& spmmc_names);

// The SD board file of firmware_name in directory: *path is "directory/NAME.spmmc" as the
// folder spells it, or empty when there is none. 0, or the search's error number when
// the folder could not be searched (ENOENT when it holds no ".spmmc" file at all).
int find_sd_board_file(const std::string& directory, const std::string& firmware_name, std::string* path);

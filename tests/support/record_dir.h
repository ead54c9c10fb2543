// Where simulated systems keep the bytes their Device Service receives (talvo-sim
// --record): made by the test's run outside the segment, handed to the run inside it,
// removed by whichever ends first.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

struct RecordDir {
    RecordDir() {
        if (const char* inherited = std::getenv("PERABO_RECORD_DIR")) {
            path = inherited;
            return;
        }
        char pattern[] = "/tmp/talvo-record-XXXXXX";
        if (mkdtemp(pattern)) path = pattern;
        setenv("PERABO_RECORD_DIR", path.c_str(), 1);
    }
    ~RecordDir() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
    // What the system at address received on its n-th connection (from 1); "" for none.
    std::string received(const std::string& address, int connection) const {
        std::ifstream in(path + "/" + address + "-" + std::to_string(connection) + ".bin", std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
    std::string path;
};

// Runs a program of the build as a user would, and keeps what it wrote.
#pragma once

#include <string>
#include <vector>

struct ProgramRun {
    int exit_code = -1;  // -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs path with args, standard input empty, and waits for it to end.
ProgramRun run_program(const std::string& path, const std::vector<std::string>& args);

// The talvo of this build.
ProgramRun run_talvo(const std::vector<std::string>& args);

#include "cli/commands.h"

#include <cstdio>

ExitCode run_update_command(const CliOptions&) {
    std::fprintf(stderr, "talvo: update is not ready yet\n");
    return ExitCode::SomeFailed;
}

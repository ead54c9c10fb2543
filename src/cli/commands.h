// The commands of talvo, each on the core's scan, address change and update.
#pragma once

#include "cli/cli_options.h"

enum class ExitCode : int {
    Done = 0,        // everything asked for was done
    SomeFailed = 1,  // a system (or the capture) failed; each failure was named
    Usage = 2,       // bad input: nothing was sent to any system
    Interrupted = 130,  // stopped by a signal, after finishing what had to be finished
};

ExitCode run_interfaces_command(const CliOptions& options);
ExitCode run_scan_command(const CliOptions& options);
ExitCode run_set_ip_command(const CliOptions& options);
ExitCode run_update_command(const CliOptions& options);

// The commands of talvo, each on the core's scan, address change and update.
#pragma once

#include "cli/cli_options.h"

enum class ExitCode : int {
    Done = 0,        // everything asked for was done
    SomeFailed = 1,  // a system (or the capture) failed; each failure was named
    Usage = 2,       // bad input: nothing was sent to any system
    OutputLost = 3,  // the work was done, but standard output or a log line could not be written
    Interrupted = 130,  // stopped by a signal, after finishing what had to be finished
};

// The exit status of a command that worked on systems: an interruption says most, then a
// system that failed, then a record or output that was lost.
ExitCode work_exit_code(bool was_interrupted, bool all_done, bool record_lost);

ExitCode run_interfaces_command(const CliOptions& options);
ExitCode run_scan_command(const CliOptions& options);
ExitCode run_set_ip_command(const CliOptions& options);
ExitCode run_update_command(const CliOptions& options);
ExitCode run_commission_command(const CliOptions& options);

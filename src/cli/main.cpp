// talvo: the Talvo systems of an Ethernet segment from the command line: list them,
// change an address, update the firmware of many at once.
#include "cli/cli_options.h"
#include "cli/commands.h"
#include "cli/interruptions.h"

#include <cstdio>

int main(int argc, char** argv) {
    // A reader that went away (a pipe's, a dropped SSH session's) must not end an update
    // between a system's installation and its reboot request: writes to it just fail.
    ignore_broken_pipes();
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    CliOptions options;
    std::string error;
    if (!parse_cli(argc, argv, &options, &error)) {
        std::fprintf(stderr, "talvo: %s\nTry 'talvo --help'.\n", error.c_str());
        return static_cast<int>(ExitCode::Usage);
    }
    ExitCode code = ExitCode::Done;
    switch (options.command) {
    case CliCommand::Help: std::fputs(cli_usage(), stdout); break;
    case CliCommand::Version: std::fputs(cli_version(), stdout); break;
    case CliCommand::Interfaces: code = run_interfaces_command(options); break;
    case CliCommand::Scan: code = run_scan_command(options); break;
    case CliCommand::SetIp: code = run_set_ip_command(options); break;
    case CliCommand::Update: code = run_update_command(options); break;
    case CliCommand::Commission: code = run_commission_command(options); break;
    }
    // Whatever went to standard output must have arrived: a lost listing or document is
    // no success, though the work itself was done.
    const bool output_lost = std::fflush(stdout) != 0 || std::ferror(stdout);
    if (code == ExitCode::Done && output_lost) code = ExitCode::OutputLost;
    return static_cast<int>(code);
}

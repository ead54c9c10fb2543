// talvo: the Talvo systems of an Ethernet segment from the command line: list them,
// change an address, update the firmware of many at once.
#include "cli/cli_options.h"
#include "cli/commands.h"

#include <cstdio>

int main(int argc, char** argv) {
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
    }
    return static_cast<int>(code);
}

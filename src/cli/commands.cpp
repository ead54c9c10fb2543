#include "cli/commands.h"

#include "cli/cli_scan.h"
#include "cli/listing.h"
#include "discovery/interface_list.h"

#include <cstdio>

ExitCode work_exit_code(bool was_interrupted, bool all_done, bool record_lost) {
    if (was_interrupted) return ExitCode::Interrupted;
    if (!all_done) return ExitCode::SomeFailed;
    return record_lost ? ExitCode::OutputLost : ExitCode::Done;
}

ExitCode run_interfaces_command(const CliOptions& options) {
    int32_t status = 0;
    const std::vector<InterfaceRecord> interfaces = list_interfaces(&status);
    if (status != 0) {
        std::fprintf(stderr, "talvo: the capture library cannot list the network interfaces\n");
        return ExitCode::SomeFailed;
    }
    std::fputs(list_interfaces_text(interfaces, options.format).c_str(), stdout);
    return ExitCode::Done;
}

ExitCode run_scan_command(const CliOptions& options) {
    InterfaceRecord nic;
    if (!find_interface(options.interface, &nic)) return ExitCode::Usage;
    std::vector<SystemRecord> systems;
    if (!scan_segment(nic, &systems)) return ExitCode::SomeFailed;
    std::fputs(list_systems_text(systems, options.format, interface_network(nic, options.interface)).c_str(), stdout);
    return ExitCode::Done;
}

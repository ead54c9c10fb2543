// talvo commission: the plan or range and the files checked before anything is sent,
// then one commissioning run (commission_run.h) under the signals' safe points.
#include "cli/cli_scan.h"
#include "cli/commands.h"
#include "cli/commission_run.h"
#include "cli/firmware_files.h"
#include "cli/interruptions.h"
#include "cli/standard_error.h"
#include "cli/targets.h"
#include "discovery/address_check.h"
#include "discovery/address_probe.h"
#include "discovery/interface_list.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The plan or range, checked before anything is sent: every planned address probed, and
// refused when the PC or a host other than its own system holds it.
bool read_work(const CliOptions& options, const InterfaceRecord& nic, CommissionSettings* s) {
    std::string why;
    if (!read_pc_addresses(&s->pc)) why = "the PC's own addresses cannot be listed";
    std::vector<PlannedChange> planned;
    if (why.empty() && !options.plan.empty() && read_plan_file(options.plan, &planned, &why))
        plan_targets(planned, &s->plan, &why);
    if (why.empty() && !options.range.empty()) read_range(options.range, &s->range, &why);
    if (!why.empty()) {
        std::fprintf(stderr, "talvo: %s\n", why.c_str());
        return false;
    }
    std::vector<Ipv4Address> asked = s->range;
    for (const PlanTarget& t : s->plan) asked.push_back(t.address);
    ProbeReport probe = probe_addresses(nic, asked, {}, to_standard_error);
    bool free = true;
    for (size_t i = 0; i < s->plan.size(); ++i) {
        AddressHolders& entry = probe.addresses[s->range.size() + i];
        // The planned system itself may hold its address already: it is commissioned.
        entry.holders.erase(std::remove_if(entry.holders.begin(), entry.holders.end(),
                                           [&](const MacAddress& m) { return names_mac(s->plan[i].target, m.data()); }),
                            entry.holders.end());
        const uint8_t nobody[6] = {};
        const AddressSurroundings around{&nic, nullptr, 0, &probe, &s->pc};
        const std::string refusal = address_refusal(entry.address, nobody, around);
        if (!refusal.empty()) free = false, std::fprintf(stderr, "talvo: line %d of the plan: %s; nothing was sent\n",
                                                         s->plan[i].line, refusal.c_str());
    }
    if (probe.outcome != ProbeOutcome::Checked) return false;  // said above; no address is known free
    for (size_t i = 0; i < s->range.size(); ++i)
        if (!probe.addresses[i].holders.empty()) s->held.insert(s->range[i]);
    return free;
}

// The files and the firmware they install; false (said why) when unusable.
bool read_files(const CliOptions& options, CommissionSettings* s) {
    if (options.firmware.empty()) return true;
    if (!check_update_files(options.firmware, options.sd_board, &s->sd_board)) return false;
    s->wanted_firmware = options.firmware_text.empty() ? firmware_text_of_file(options.firmware) : options.firmware_text;
    if (s->wanted_firmware.empty()) {
        std::fprintf(stderr, "talvo: which firmware %s installs cannot be read from its name (NAME-VERSION.firm): "
                     "give it with --firmware-text\n", options.firmware.c_str());
        return false;
    }
    return true;
}

}  // namespace

ExitCode run_commission_command(const CliOptions& options) {
    InterfaceRecord nic;
    if (!find_interface(options.interface, &nic)) return ExitCode::Usage;
    CommissionSettings settings{options, nic, "", "", {}, {}, {}, {}};
    if (!read_files(options, &settings)) return ExitCode::Usage;
    RecordLog log;
    std::string why;
    if (!options.log.empty() && !log.open(options.log, &why)) {
        std::fprintf(stderr, "talvo: the log %s\n", why.c_str());
        return ExitCode::Usage;
    }
    if (!read_work(options, nic, &settings)) return ExitCode::Usage;
    // With --json standard output is the document alone: the rest goes to standard error.
    std::FILE* out = options.format == ListFormat::Json ? stderr : stdout;
    CommissionBoard board(isatty(fileno(out)) == 1, out);
    CommissionRun run(settings, board, log);
    const Interruptions interruptions([&] { run.first_signal(); }, [&] { run.second_signal(); });
    return run.run();
}

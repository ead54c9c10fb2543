// One talvo commission run: watches a segment, scan after scan, and takes every system
// the plan names (or, with a range, every system that appears) through its own run as
// it appears: its address (ARP probe, the change, a scan that shows it there), then,
// when it runs another firmware, its update and a scan that shows the new firmware.
// One line and one record per system; one failure stops nothing else.
#pragma once

#include "cli/cli_options.h"
#include "cli/commands.h"
#include "cli/commission_board.h"
#include "cli/commission_rules.h"
#include "cli/work_record.h"
#include "discovery/interface_record.h"
#include "discovery/pc_address.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

// What a run works on, all checked before it starts.
struct CommissionSettings {
    const CliOptions& options;
    const InterfaceRecord& nic;
    std::string wanted_firmware;  // empty: no update
    std::string sd_board;         // the SD board file, empty for none
    std::vector<PlanTarget> plan;
    std::vector<Ipv4Address> range;
    std::set<Ipv4Address> held;   // the range's addresses a host held at the start
    std::vector<PcAddress> pc;
};

class CommissionRun {
public:
    CommissionRun(const CommissionSettings& settings, CommissionBoard& board, RecordLog& log);
    ~CommissionRun();
    CommissionRun(const CommissionRun&) = delete;
    CommissionRun& operator=(const CommissionRun&) = delete;

    // Until every planned system has ended for good (without --watch), or a signal; then
    // every record is written. The exit status.
    ExitCode run();
    // The first signal: no new system starts; those in their run finish it.
    void first_signal();
    // The second: every record is written and the process ends at once.
    void second_signal();

private:
    class Commissioning;
    std::unique_ptr<Commissioning> work_;
};

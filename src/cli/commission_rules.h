// What a commissioning run decides for each system it sees: which planned address it
// takes, what it still needs, whether a failed one is tried again when it comes back,
// and when the run is over. Pure decisions; the run acts on them.
#pragma once

#include "cli/address_plan.h"
#include "discovery/system_record.h"

#include <string>
#include <vector>

// One system a plan commissions: named by MAC or serial number (what stays with it
// when its address changes), with the address it is to take.
struct PlanTarget {
    std::string target;
    Ipv4Address address{};
    int line = 0;  // in the plan
};

// The plan's lines as targets; false with the reason in *why for a target that is not a
// MAC or serial number, an address no system can take, or a target or address given twice.
bool plan_targets(const std::vector<PlannedChange>& plan, std::vector<PlanTarget>* out, std::string* why);

// The plan's target that names system; -1 for none.
int plan_target_of(const std::vector<PlanTarget>& plan, const SystemRecord& system);

// What a system needs when it appears: nothing (it is at its address with the firmware
// wanted, or no firmware is given), the update alone, or its address first.
enum class Need { Nothing, UpdateOnly, AddressFirst };
// wanted_firmware: the text a system reports once it runs the file; empty: no update.
Need need_on_arrival(const SystemRecord& system, const Ipv4Address& address, const std::string& wanted_firmware);

// The firmware a system reports once it runs the file at path, from its name
// NAME-VERSION.firm: "3.3.0" for ".../TLV-3.3.0.firm", "3.3.0-rc1" for
// "TLV-3.3.0-rc1.firm" (from the first '-' before a digit); empty when there is none.
std::string firmware_text_of_file(const std::string& path);

// A failed system is tried again when it comes back (gone from a whole scan, then
// answering again), at most this many times.
constexpr int MostRetries = 3;
bool tries_again(int tries_so_far);

// Where a system stands in its run.
enum class UnitPhase {
    Unseen,        // planned, not answering yet
    Addressing,    // its address is probed, then changed
    Verifying,     // a scan must show it at its new address
    UpdatingWait,  // waiting for a free update
    Updating,      // firmware, SD board file system, reboot request and the wait
    Restarting,    // a scan must show it with the new firmware
    Done,
    AlreadyDone,   // already at its address with the firmware: nothing was sent
    Failed,
    Interrupted,   // stopped by a signal before anything was installed
};

// Whether the run may still act on a system in this phase: not yet ended.
bool phase_open(UnitPhase phase);
// Whether a planned system has ended for good: done, or failed with no try left.
bool ended_for_good(UnitPhase phase, int tries);
// Whether a run without --watch is over: every planned system has ended for good.
bool plan_complete(const std::vector<UnitPhase>& phases, const std::vector<int>& tries);

// A scan checks a change once its request left after the change settled: the first such
// scan that shows the system at its new address confirms it; when as many as ChecksBeforeFailing
// such scans ended without that, the change failed.
constexpr int ChecksBeforeFailing = 2;
enum class Check { Confirmed, Waiting, Failed };
Check change_check(bool seen_at_new_address, int checking_scans_ended);

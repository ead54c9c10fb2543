// talvo set-ip: gives systems new addresses, each with one IPADDR command to its own MAC
// and current address, then checks in one scan that each answers at its new address.
// Nothing is sent before every new address has been checked: no address another host
// answers for, none the PC or another system has, none asked for twice. Every change
// asked for gets a record, whatever happens to it.
#include "cli/address_plan.h"
#include "cli/cli_scan.h"
#include "cli/commands.h"
#include "cli/interruptions.h"
#include "cli/listing.h"
#include "cli/standard_error.h"
#include "cli/targets.h"
#include "cli/work_record.h"
#include "discovery/address_change.h"
#include "discovery/address_check.h"
#include "discovery/interface_list.h"
#include "platform/platform.h"
#include "wire/frame_sender.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// The wait the window keeps between the command and the next scan.
constexpr uint32_t AddressSettleMs = 1000;

using WallClock = std::chrono::system_clock;

using Sending = AddressSending;

// One system to move.
struct AddressChange {
    std::string target;       // as the user named the system; empty for --all
    Ipv4Address address{};    // the new address
    std::string new_address;  // dotted decimal, without leading zeros
    char octets[4][4] = {};   // the command's fields, without leading zeros
    SystemRecord system{};    // the system the target names
    Sending sending = Sending::NotSent;
    std::string started;        // when its command was sent
    std::string address_after;  // where it answers after the change; empty: nowhere
};

std::string system_name(const SystemRecord& s) { return std::string(s.ip_text) + " (" + mac_text(system_mac(s)) + ")"; }

bool refuse(const std::string& why) {
    std::fprintf(stderr, "talvo: %s\n", why.c_str());
    return false;
}

bool take_address(const std::string& text, AddressChange* change, std::string* why) {
    if (!parse_new_address(text.c_str(), change->octets, why)) return false;
    for (size_t i = 0; i < 4; ++i) change->address[i] = static_cast<uint8_t>(std::atoi(change->octets[i]));
    change->new_address = address_text(change->address);
    return true;
}

void give_address(const Ipv4Address& address, AddressChange* change) {
    change->address = address;
    change->new_address = address_text(address);
    for (size_t i = 0; i < 4; ++i) std::snprintf(change->octets[i], sizeof change->octets[i], "%u", address[i]);
}

// The changes TARGET NEW_IP or the plan asks for; false (said why) for bad input.
bool read_changes(const CliOptions& options, std::vector<AddressChange>* changes) {
    std::vector<PlannedChange> planned;
    std::string why;
    if (options.plan.empty()) planned.push_back({options.targets[0], options.new_address, 0});
    else if (!read_plan_file(options.plan, &planned, &why)) return refuse(why);
    for (const PlannedChange& p : planned) {
        AddressChange change;
        change.target = p.target;
        if (!take_address(p.new_address, &change, &why))
            return refuse(p.line ? "line " + std::to_string(p.line) + " of the plan: " + why : why);
        changes->push_back(change);
    }
    return true;
}

// Finds each target's system; false (said why) when one names none or several.
bool resolve(std::vector<AddressChange>& changes, const std::vector<SystemRecord>& found) {
    std::string why;
    for (AddressChange& change : changes) {
        const int index = find_target(found, change.target, &why);
        if (index < 0) return refuse(why);
        change.system = found[static_cast<size_t>(index)];
    }
    return true;
}

// The systems --range hands addresses to: the targets or --all, by serial number.
bool choose_for_range(const CliOptions& options, const std::vector<SystemRecord>& found,
                      std::vector<AddressChange>* changes) {
    std::vector<SystemRecord> chosen;
    for (const SystemRecord& s : found)
        if (options.all && (options.type.empty() || options.type == s.type_text)) chosen.push_back(s);
    if (options.all && chosen.empty())
        return refuse("no system" + (options.type.empty() ? "" : " of type " + options.type) + " found on " +
                      options.interface);
    for (const std::string& target : options.targets) {
        changes->emplace_back();
        changes->back().target = target;
    }
    if (!options.all && !resolve(*changes, found)) return false;
    for (const SystemRecord& s : chosen) {
        changes->emplace_back();
        changes->back().system = s;
    }
    const auto serial = [](const AddressChange& c) {
        const char* digits = std::strpbrk(c.system.serial_text, "0123456789");
        return std::make_pair(digits ? std::atol(digits) : 0L, std::string(c.system.serial_text));
    };
    std::stable_sort(changes->begin(), changes->end(),
                     [&](const AddressChange& a, const AddressChange& b) { return serial(a) < serial(b); });
    return true;
}

// No system moved twice, no address given twice.
bool each_once(const std::vector<AddressChange>& changes) {
    std::vector<PlannedMove> moves;
    for (const AddressChange& change : changes) {
        PlannedMove move{{}, system_name(change.system), change.address};
        std::memcpy(move.mac.data(), system_mac(change.system), 6);
        moves.push_back(move);
    }
    const std::string why = plan_repeats(moves);
    return why.empty() || refuse(why);
}

// Every new address may be taken; otherwise each refusal is said and false.
bool all_free(const std::vector<AddressChange>& changes, const AddressSurroundings& around) {
    bool free = true;
    for (const AddressChange& change : changes) {
        const std::string why = address_refusal(change.address, system_mac(change.system), around);
        if (!why.empty()) free = refuse(why + "; nothing was sent");
    }
    return free;
}

// Hands out the range's free addresses in order; false (said why) when too few are free.
bool assign_range(const std::vector<Ipv4Address>& range, const AddressSurroundings& around,
                  std::vector<AddressChange>& changes, const std::string& range_text) {
    const uint8_t nobody[6] = {};  // a system's own current address is skipped too
    const InterfaceNetwork networks = interface_network(*around.nic, around.nic->device_name);
    const auto usable = [&](const Ipv4Address& a) {
        return !range_skips(a, networks) && address_refusal(a, nobody, around).empty();
    };
    size_t next = 0;
    for (AddressChange& change : changes) {
        while (next < range.size() && !usable(range[next])) ++next;
        if (next == range.size())
            return refuse(range_text + " has too few free addresses for " + std::to_string(changes.size()) +
                          " systems; nothing was sent");
        give_address(range[next++], &change);
    }
    return true;
}

// Which systems take which addresses, each checked on the segment; false (said why)
// when anything is refused: then nothing may be sent.
bool plan_changes(const CliOptions& options, const InterfaceRecord& nic, const std::vector<SystemRecord>& found,
                  std::vector<AddressChange>* changes) {
    std::vector<Ipv4Address> range, asked;
    std::string why;
    if (!options.range.empty() && !read_range(options.range, &range, &why)) return refuse(why);
    if (range.empty() ? !resolve(*changes, found) : !choose_for_range(options, found, changes)) return false;
    for (const AddressChange& change : *changes) asked.push_back(change.address);
    std::vector<PcAddress> own;
    if (!read_pc_addresses(&own)) return refuse("the PC's own addresses cannot be listed; nothing was sent");
    // One probe for every address: a range's whole, or each change's new address.
    const ProbeReport probe = probe_addresses(nic, range.empty() ? asked : range, {}, to_standard_error);
    const AddressSurroundings around{&nic, found.data(), found.size(), &probe, &own};
    if (!range.empty() && !assign_range(range, around, *changes, "--range " + options.range)) return false;
    return each_once(*changes) && all_free(*changes, around);
}

// One set-ip run: its changes, where their records go, and whether a signal stopped it.
struct AddressRun {
    AddressRun(const CliOptions& o, std::vector<AddressChange> c, RecordLog& l)
        : options(o), changes(std::move(c)), log(l) {}

    const CliOptions& options;
    std::vector<AddressChange> changes;
    RecordLog& log;
    std::atomic<bool> stop{false};  // a first signal: no further command is sent
    std::mutex records;             // the records are written once, by whoever comes first
    bool recorded = false;
};

// Sends the changes until one fails or a signal stops them; false when not all were sent.
bool send_all(const InterfaceRecord& nic, AddressRun& run, std::FILE* out) {
    size_t sent = 0;
    FrameSender sender(nic.device_name);  // one device for every command of the run
    const ProbeSettings pacing;           // the commands leave at the rate the probes did
    const auto start = std::chrono::steady_clock::now();
    for (AddressChange& change : run.changes) {
        if (run.stop.load(std::memory_order_acquire)) break;
        std::this_thread::sleep_until(start + std::chrono::milliseconds(probe_departure_ms(pacing, run.changes.size(), 0, sent)));
        const char* const fields[4] = {change.octets[0], change.octets[1], change.octets[2], change.octets[3]};
        const std::string started = utc_time_text(WallClock::now());
        const bool failed = send_ipaddr(sender, nic, change.system, fields) != 0;
        {
            std::lock_guard<std::mutex> lock(run.records);  // a second signal records it as it stands
            change.started = started;
            change.sending = failed ? Sending::SendFailed : Sending::Sent;
        }
        if (failed) {
            std::fprintf(stderr, "talvo: %s: sending the address change failed on %s; no further change was sent\n",
                         system_name(change.system).c_str(), nic.device_name);
            break;
        }
        ++sent;
        if (run.changes.size() == 1)
            std::fprintf(out, "%s: address change to %s sent; scanning again\n", system_name(change.system).c_str(),
                         change.new_address.c_str());
    }
    if (run.changes.size() > 1) std::fprintf(out, "%zu address changes sent; scanning again\n", sent);
    return sent == run.changes.size();
}

// Where each system answers now, found by its MAC (systems may have shared an address);
// true when every one answers at its new address.
bool verify(const std::vector<SystemRecord>& after, std::vector<AddressChange>& changes, std::FILE* out) {
    bool all = true;
    std::string why;
    for (AddressChange& change : changes) {
        const std::string name = system_name(change.system);
        const int moved = find_target(after, mac_text(system_mac(change.system)), &why);
        change.address_after = moved >= 0 ? after[static_cast<size_t>(moved)].ip_text : "";
        if (change.sending != Sending::Sent) {
            all = false;
            continue;
        }
        if (change.address_after == change.new_address) {
            if (changes.size() == 1)
                std::fprintf(out, "%s: now answers at %s\n", name.c_str(), change.new_address.c_str());
            continue;
        }
        all = false;
        if (moved < 0)
            std::fprintf(stderr, "talvo: %s: did not answer the scan after the address change\n", name.c_str());
        else
            std::fprintf(stderr, "talvo: %s: still answers at %s, not at %s\n", name.c_str(),
                         change.address_after.c_str(), change.new_address.c_str());
    }
    return all;
}

AddressOutcome outcome_of(const AddressChange& c, bool scanned, RunStop stop) {
    return address_outcome(c.sending, scanned, c.new_address, c.address_after, stop);
}

std::string changes_table(const std::vector<AddressChange>& changes, bool scanned) {
    std::vector<std::vector<std::string>> rows{{"SERIAL", "MAC", "WAS AT", "NEW IP", "ANSWERS AT", "RESULT"}};
    for (const AddressChange& c : changes)
        rows.push_back({c.system.serial_text, mac_text(system_mac(c.system)), c.system.ip_text, c.new_address,
                        c.address_after.empty() ? "-" : c.address_after, outcome_of(c, scanned, RunStop::None).result});
    return aligned_table(rows);
}

// The PC reaches systems moved off its network no more: say what it needs.
void note_left_network(const InterfaceRecord& nic, const std::vector<AddressChange>& changes) {
    size_t outside = 0;
    std::string note;
    for (const AddressChange& change : changes) {
        if (change.address_after != change.new_address || !outside_pc_network(nic, change.address)) continue;
        if (outside++ == 0) note = leaving_network_note(nic, change.address);
    }
    if (outside > 1)
        note = std::to_string(outside) + " systems are now outside this PC's networks on " +
               networks_text(interface_network(nic, nic.device_name)) +
               ": give the PC an address on their network before updating them";
    if (outside > 0) std::fprintf(stderr, "talvo: %s\n", note.c_str());
}

std::string record_of(const CliOptions& options, const AddressChange& change, const AddressOutcome& outcome,
                      bool scanned) {
    AddressRecord record;
    record.system = &change.system;
    record.interface = options.interface;
    record.new_address = change.new_address;
    record.result = outcome.result;
    record.reason = outcome.reason;
    record.address_after = scanned ? change.address_after : "";
    record.started = change.started;
    record.ended = change.sending == Sending::NotSent ? "" : utc_time_text(WallClock::now());
    return record_json(record);
}

// Every change's record, to the log, and with --json as the document; once per run,
// by the main thread at its end or by a second signal.
void write_records(AddressRun& run, bool scanned, RunStop stop) {
    std::lock_guard<std::mutex> lock(run.records);
    if (run.recorded) return;
    run.recorded = true;
    std::vector<std::string> records;
    for (const AddressChange& change : run.changes) {
        records.push_back(record_of(run.options, change, outcome_of(change, scanned, stop), scanned));
        run.log.append(records.back());
    }
    if (run.options.format == ListFormat::Json) std::fputs(records_document(records).c_str(), stdout);
}

}  // namespace

ExitCode run_set_ip_command(const CliOptions& options) {
    std::vector<AddressChange> changes;
    if (options.range.empty() && !read_changes(options, &changes)) return ExitCode::Usage;
    RecordLog log;
    std::string why;
    if (!options.log.empty() && !log.open(options.log, &why)) {
        refuse("the log " + why);
        return ExitCode::Usage;
    }
    InterfaceRecord nic;
    if (!find_interface(options.interface, &nic)) return ExitCode::Usage;
    std::vector<SystemRecord> found;
    if (!scan_segment(nic, &found)) return ExitCode::SomeFailed;
    if (!plan_changes(options, nic, found, &changes)) return ExitCode::Usage;

    AddressRun run(options, std::move(changes), log);
    const Interruptions interruptions([&] { run.stop.store(true, std::memory_order_release); },
                                      [&] {
        write_records(run, false, RunStop::Abandoned);
        end_abandoned("");
    });
    // With --json standard output is the document alone: the rest goes to standard error.
    const bool document = options.format == ListFormat::Json;
    std::FILE* out = document ? stderr : stdout;
    const bool all_sent = send_all(nic, run, out);
    const bool any_sent = std::any_of(run.changes.begin(), run.changes.end(),
                                      [](const AddressChange& c) { return c.sending == Sending::Sent; });
    std::vector<SystemRecord> after;
    bool scanned = false;
    if (any_sent) {
        platform::sleep_ms(AddressSettleMs);
        scanned = scan_segment(nic, &after);
    }
    bool all_moved = false;
    if (scanned) all_moved = verify(after, run.changes, out) && all_sent;
    if (!scanned && any_sent) std::fprintf(stderr, "talvo: the changes sent could not be checked: the scan failed\n");
    if (run.changes.size() > 1 && !document) std::fputs(changes_table(run.changes, scanned).c_str(), stdout);
    if (scanned) note_left_network(nic, run.changes);
    const bool interrupted = interruptions.count() > 0;
    write_records(run, scanned, interrupted ? RunStop::Interrupted : RunStop::None);
    return work_exit_code(interrupted, all_moved, log.failed());
}

// talvo set-ip: gives systems new addresses, each with one IPADDR command to its own MAC
// and current address, then checks in one scan that each answers at its new address.
#include "cli/cli_scan.h"
#include "cli/commands.h"
#include "cli/listing.h"
#include "cli/targets.h"
#include "cli/work_record.h"
#include "discovery/address_change.h"
#include "platform/platform.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The wait the window keeps between the command and the next scan.
constexpr uint32_t AddressSettleMs = 1000;

using WallClock = std::chrono::system_clock;

// One system to move.
struct AddressChange {
    std::string target;       // as the user named the system
    std::string new_address;  // dotted decimal, without leading zeros
    char octets[4][4];        // the command's fields, as given
    SystemRecord system{};    // the system the target names
    std::string started;      // when its command was sent
    std::string address_after;  // where it answers after the change; empty: nowhere
};

std::string dotted(const char octets[4][4]) {
    std::string text;
    for (int i = 0; i < 4; ++i) text += (i ? "." : "") + std::to_string(std::atoi(octets[i]));
    return text;
}

std::string system_name(const SystemRecord& s) { return std::string(s.ip_text) + " (" + mac_text(system_mac(s)) + ")"; }

int system_at(const std::vector<SystemRecord>& systems, const std::string& ip_text) {
    for (size_t i = 0; i < systems.size(); ++i)
        if (ip_text == systems[i].ip_text) return static_cast<int>(i);
    return -1;
}

bool refuse(const std::string& why) {
    std::fprintf(stderr, "talvo: %s\n", why.c_str());
    return false;
}

// The change the command line asks for; false (said why) when the address is none a
// system can take.
bool read_change(const CliOptions& options, AddressChange* change) {
    std::string why;
    if (!parse_new_address(options.new_address.c_str(), change->octets, &why)) return refuse(why);
    change->target = options.targets[0];
    change->new_address = dotted(change->octets);
    return true;
}

// Finds each change's system; false (said why) when a target names none or several, or
// the new address is another system's.
bool resolve(std::vector<AddressChange>& changes, const std::vector<SystemRecord>& found) {
    std::string why;
    for (AddressChange& change : changes) {
        const int index = find_target(found, change.target, &why);
        if (index < 0) return refuse(why);
        change.system = found[static_cast<size_t>(index)];
        const int holder = system_at(found, change.new_address);
        if (holder >= 0 && holder != index)
            return refuse(change.new_address + " is taken by the system " +
                          mac_text(system_mac(found[static_cast<size_t>(holder)])) +
                          "; two systems on one address cannot both be reached");
    }
    return true;
}

// Sends every change; false when one could not be sent (said why).
bool send_all(const InterfaceRecord& nic, std::vector<AddressChange>& changes, std::FILE* out) {
    for (AddressChange& change : changes) {
        const char* const fields[4] = {change.octets[0], change.octets[1], change.octets[2], change.octets[3]};
        change.started = utc_time_text(WallClock::now());
        if (send_ipaddr(nic, change.system, fields) != 0) {
            std::fprintf(stderr, "talvo: %s: sending the address change failed on %s\n",
                         system_name(change.system).c_str(), nic.device_name);
            return false;
        }
        std::fprintf(out, "%s: address change to %s sent; scanning again\n", system_name(change.system).c_str(),
                     change.new_address.c_str());
    }
    return true;
}

// Where each system answers now; true when every one answers at its new address.
bool verify(const std::vector<SystemRecord>& after, std::vector<AddressChange>& changes, std::FILE* out) {
    bool all = true;
    std::string why;
    for (AddressChange& change : changes) {
        const std::string name = system_name(change.system);
        const int moved = find_target(after, mac_text(system_mac(change.system)), &why);
        change.address_after = moved >= 0 ? after[static_cast<size_t>(moved)].ip_text : "";
        if (change.address_after == change.new_address) {
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

std::string record_of(const CliOptions& options, const AddressChange& change) {
    AddressRecord record;
    record.system = &change.system;
    record.interface = options.interface;
    record.new_address = change.new_address;
    const bool moved = change.address_after == change.new_address;
    record.result = moved ? "changed" : "failed";
    if (!moved)
        record.reason = change.address_after.empty() ? "did not answer the scan after the address change"
                                                     : "still answers at " + change.address_after;
    record.address_after = change.address_after;
    record.started = change.started;
    record.ended = utc_time_text(WallClock::now());
    return record_json(record);
}

}  // namespace

ExitCode run_set_ip_command(const CliOptions& options) {
    std::vector<AddressChange> changes(1);
    if (!read_change(options, &changes[0])) return ExitCode::Usage;
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
    if (!resolve(changes, found)) return ExitCode::Usage;

    // With --json standard output is the document alone: the rest goes to standard error.
    const bool document = options.format == ListFormat::Json;
    std::FILE* out = document ? stderr : stdout;
    if (!send_all(nic, changes, out)) return ExitCode::SomeFailed;
    platform::sleep_ms(AddressSettleMs);
    std::vector<SystemRecord> after;
    if (!scan_segment(nic, &after)) return ExitCode::SomeFailed;
    const bool all_moved = verify(after, changes, out);
    std::vector<std::string> records;
    for (const AddressChange& change : changes) {
        records.push_back(record_of(options, change));
        log.append(records.back());
    }
    if (document) std::fputs(records_document(records).c_str(), stdout);
    return all_moved ? ExitCode::Done : ExitCode::SomeFailed;
}

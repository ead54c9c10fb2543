#include "cli/commission_rules.h"

#include "cli/targets.h"
#include "discovery/address_change.h"
#include "discovery/address_check.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <set>

bool plan_targets(const std::vector<PlannedChange>& plan, std::vector<PlanTarget>* out, std::string* why) {
    std::set<std::string> targets;
    std::set<Ipv4Address> addresses;
    for (const PlannedChange& p : plan) {
        const std::string line = "line " + std::to_string(p.line) + " of the plan: ";
        if (!is_identity(p.target)) {
            *why = line + "'" + p.target + "' is neither a MAC nor a serial number, which stay with a system";
            return false;
        }
        PlanTarget t{p.target, {}, p.line};
        char octets[4][4];
        if (!parse_new_address(p.new_address.c_str(), octets, why)) {
            *why = line + *why;
            return false;
        }
        for (size_t i = 0; i < 4; ++i) t.address[i] = static_cast<uint8_t>(std::atoi(octets[i]));
        if (!targets.insert(p.target).second) *why = line + p.target + " is named twice";
        else if (!addresses.insert(t.address).second) *why = line + address_text(t.address) + " is given twice";
        if (!why->empty()) return false;
        out->push_back(t);
    }
    return true;
}

int plan_target_of(const std::vector<PlanTarget>& plan, const SystemRecord& system) {
    for (size_t i = 0; i < plan.size(); ++i)
        if (names_by_identity(system, plan[i].target)) return static_cast<int>(i);
    return -1;
}

Need need_on_arrival(const SystemRecord& system, const Ipv4Address& address, const std::string& wanted_firmware) {
    if (std::memcmp(system.ipv4, address.data(), 4) != 0) return Need::AddressFirst;
    if (wanted_firmware.empty() || wanted_firmware == system.firmware_text) return Need::Nothing;
    return Need::UpdateOnly;
}

std::string firmware_text_of_file(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.resize(dot);
    // The version starts at the first '-' followed by a digit: "TLV-Hub-2.0.1", "TLV-3.3.0-rc1".
    for (size_t i = 0; i + 1 < name.size(); ++i)
        if (name[i] == '-' && std::isdigit(static_cast<unsigned char>(name[i + 1]))) return name.substr(i + 1);
    return "";
}

bool tries_again(int tries_so_far) { return tries_so_far <= MostRetries; }

bool phase_open(UnitPhase phase) {
    switch (phase) {
    case UnitPhase::Done:
    case UnitPhase::AlreadyDone:
    case UnitPhase::Failed:
    case UnitPhase::Interrupted: return false;
    default: return true;
    }
}

bool ended_for_good(UnitPhase phase, int tries) {
    if (phase == UnitPhase::Failed) return !tries_again(tries);
    return phase == UnitPhase::Done || phase == UnitPhase::AlreadyDone || phase == UnitPhase::Interrupted;
}

bool plan_complete(const std::vector<UnitPhase>& phases, const std::vector<int>& tries) {
    for (size_t i = 0; i < phases.size(); ++i)
        if (!ended_for_good(phases[i], tries[i])) return false;
    return true;
}

Check change_check(bool seen_at_new_address, int checking_scans_ended) {
    if (seen_at_new_address) return Check::Confirmed;
    return checking_scans_ended >= ChecksBeforeFailing ? Check::Failed : Check::Waiting;
}

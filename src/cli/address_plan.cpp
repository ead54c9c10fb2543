#include "cli/address_plan.h"

#include "discovery/address_change.h"
#include "discovery/address_check.h"

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

namespace {

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool read_address(const std::string& text, Ipv4Address* out, std::string* why) {
    char octets[4][4];
    if (!parse_new_address(text.c_str(), octets, why)) return false;
    for (size_t i = 0; i < 4; ++i) (*out)[i] = static_cast<uint8_t>(std::atoi(octets[i]));
    return true;
}

uint32_t as_number(const Ipv4Address& a) {
    return static_cast<uint32_t>(a[0]) << 24 | a[1] << 16 | a[2] << 8 | a[3];
}

Ipv4Address from_number(uint32_t n) {
    return {static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8),
            static_cast<uint8_t>(n)};
}

}  // namespace

bool read_plan_text(const std::string& text, std::vector<PlannedChange>* out, std::string* why) {
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        line = trimmed(line);
        if (line.empty() || line[0] == '#') continue;
        const size_t comma = line.find(',');
        PlannedChange change{trimmed(line.substr(0, comma)), "", number};
        if (comma != std::string::npos) change.new_address = trimmed(line.substr(comma + 1));
        if (change.target.empty() || change.new_address.empty() ||
            change.new_address.find(',') != std::string::npos) {
            *why = "line " + std::to_string(number) + " of the plan is not TARGET,NEW_IP: " + line;
            return false;
        }
        out->push_back(change);
    }
    return true;
}

bool read_plan_file(const std::string& path, std::vector<PlannedChange>* out, std::string* why) {
    std::ifstream in(path);
    if (!in) {
        *why = "the plan " + path + " cannot be read";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!read_plan_text(text.str(), out, why)) return false;
    if (out->empty()) *why = "the plan " + path + " names no system";
    return !out->empty();
}

bool read_range(const std::string& text, std::vector<Ipv4Address>* out, std::string* why) {
    const size_t dash = text.find('-');
    Ipv4Address first{}, last{};
    if (dash == std::string::npos) {
        *why = "--range takes FIRST-LAST, e.g. 198.51.100.20-198.51.100.60";
        return false;
    }
    if (!read_address(text.substr(0, dash), &first, why) || !read_address(text.substr(dash + 1), &last, why))
        return false;
    const uint32_t from = as_number(first), to = as_number(last);
    if (to < from || to - from >= MostRangeAddresses) {
        *why = "--range " + text + " must run forwards and hold at most " + std::to_string(MostRangeAddresses) +
               " addresses";
        return false;
    }
    // Both ends are addresses a system can take, so every address between them is too:
    // no range this short reaches across 127.0.0.0/8.
    for (uint32_t n = from; n <= to; ++n) out->push_back(from_number(n));
    return true;
}

bool range_skips(const Ipv4Address& address, const InterfaceNetwork& networks) {
    switch (host_part(address.data(), networks)) {
    case HostPart::Host: return false;
    case HostPart::NetworkAddress:
    case HostPart::BroadcastAddress: return true;
    case HostPart::OffNetwork: break;
    }
    return address[3] == 0 || address[3] == 255;
}

std::string plan_repeats(const std::vector<PlannedMove>& moves) {
    std::set<MacAddress> macs;
    std::set<Ipv4Address> addresses;
    for (const PlannedMove& move : moves) {
        if (!macs.insert(move.mac).second) return move.name + " is named twice; nothing was sent";
        if (!addresses.insert(move.address).second)
            return address_text(move.address) + " is given twice; nothing was sent";
    }
    return "";
}

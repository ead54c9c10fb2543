#include "cli/targets.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

bool parse_mac(const std::string& text, uint8_t out[6]) {
    if (text.size() != 17) return false;
    for (int i = 0; i < 6; ++i) {
        const char hi = text[3 * i], lo = text[3 * i + 1];
        if (!std::isxdigit(static_cast<unsigned char>(hi)) || !std::isxdigit(static_cast<unsigned char>(lo)))
            return false;
        if (i < 5 && text[3 * i + 2] != ':' && text[3 * i + 2] != '-') return false;
        out[i] = static_cast<uint8_t>(std::stoi(text.substr(3 * i, 2), nullptr, 16));
    }
    return true;
}

bool all_digits(const std::string& text) {
    if (text.empty() || text.size() > 8) return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

// "K-R 123456" or "123456": the serial's number; -1 for neither.
long serial_number(const std::string& target) {
    const std::string digits = target.rfind("K-R ", 0) == 0 ? target.substr(4) : target;
    return all_digits(digits) ? std::stol(digits) : -1;
}

// What target says about a system; several readings may apply ("123" is no address).
bool names_system(const SystemRecord& system, const std::string& target) {
    return target == system.ip_text || names_by_identity(system, target);
}

}  // namespace

bool names_by_identity(const SystemRecord& system, const std::string& target) {
    uint8_t mac[6];
    if (parse_mac(target, mac)) return std::memcmp(system_mac(system), mac, 6) == 0;
    if (target == system.serial_text) return true;
    return all_digits(target) && std::string("K-R ") + std::to_string(std::stol(target)) == system.serial_text;
}

bool is_identity(const std::string& target) {
    uint8_t mac[6];
    return parse_mac(target, mac) || serial_number(target) >= 0;
}

bool names_mac(const std::string& target, const uint8_t mac[6]) {
    uint8_t named[6];
    if (parse_mac(target, named)) return std::memcmp(named, mac, 6) == 0;
    return serial_number(target) == (static_cast<long>(mac[3]) << 16 | mac[4] << 8 | mac[5]);
}

std::string mac_text(const uint8_t mac[6]) {
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4],
                  mac[5]);
    return text;
}

std::vector<SystemRecord> distinct_systems(const std::vector<SystemRecord>& found) {
    std::vector<SystemRecord> systems;
    for (const SystemRecord& record : found) {
        bool seen = false;
        for (const SystemRecord& kept : systems)
            seen = seen || std::memcmp(system_mac(kept), system_mac(record), 6) == 0;
        if (!seen) systems.push_back(record);
    }
    return systems;
}

int find_target(const std::vector<SystemRecord>& systems, const std::string& target, std::string* why) {
    int found = -1, matches = 0;
    std::string names;
    for (size_t i = 0; i < systems.size(); ++i) {
        if (!names_system(systems[i], target)) continue;
        if (matches++ == 0) found = static_cast<int>(i);
        names += std::string(names.empty() ? "" : ", ") + systems[i].ip_text + " (" +
                 mac_text(system_mac(systems[i])) + ")";
    }
    if (matches == 1) return found;
    if (matches == 0) *why = "no system found matches '" + target + "'";
    else *why = "'" + target + "' matches " + std::to_string(matches) + " systems: " + names;
    return -1;
}

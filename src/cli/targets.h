// Which of the systems found a TARGET on the command line names.
#pragma once

#include "discovery/system_record.h"

#include <string>
#include <vector>

// The systems found, each once: a system that answered twice is listed twice by a
// scan; the first answer stands for it.
std::vector<SystemRecord> distinct_systems(const std::vector<SystemRecord>& found);

// The index in systems of the one system target names: its MAC ("aa:bb:cc:dd:ee:ff",
// any case, '-' also separates), its serial number ("K-R 123456" or "123456") or its
// current IP address. -1 with the reason in *why when none or several match.
int find_target(const std::vector<SystemRecord>& systems, const std::string& target, std::string* why);

// The MAC as "aa:bb:cc:dd:ee:ff".
std::string mac_text(const uint8_t mac[6]);

// Whether target names system by what stays with it across address changes: its MAC or
// its serial number ("K-R 123456" or "123456"), never its address.
bool names_by_identity(const SystemRecord& system, const std::string& target);
// Whether target is written as a MAC or a serial number at all.
bool is_identity(const std::string& target);
// Whether target names the system with this MAC (a serial number is the MAC's last
// three bytes), for a host known only by the MAC it answered from.
bool names_mac(const std::string& target, const uint8_t mac[6]);

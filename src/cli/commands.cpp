#include "cli/commands.h"

#include "cli/cli_scan.h"
#include "cli/listing.h"
#include "cli/targets.h"
#include "discovery/address_change.h"
#include "discovery/interface_list.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstring>

namespace {

// The wait the window keeps between the command and the next scan.
constexpr uint32_t AddressSettleMs = 1000;

int system_at(const std::vector<SystemRecord>& systems, const char* ip_text) {
    for (size_t i = 0; i < systems.size(); ++i)
        if (std::strcmp(systems[i].ip_text, ip_text) == 0) return static_cast<int>(i);
    return -1;
}

std::string dotted(const char octets[4][4]) {
    std::string text;
    for (int i = 0; i < 4; ++i) text += (i ? "." : "") + std::to_string(std::atoi(octets[i]));
    return text;
}

}  // namespace

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
    std::fputs(list_systems_text(systems, options.format).c_str(), stdout);
    return ExitCode::Done;
}

ExitCode run_set_ip_command(const CliOptions& options) {
    char octets[4][4];
    std::string why;
    if (!parse_new_address(options.new_address.c_str(), octets, &why)) {
        std::fprintf(stderr, "talvo: %s\n", why.c_str());
        return ExitCode::Usage;
    }
    const std::string wanted = dotted(octets);
    InterfaceRecord nic;
    if (!find_interface(options.interface, &nic)) return ExitCode::Usage;
    std::vector<SystemRecord> systems;
    if (!scan_segment(nic, &systems)) return ExitCode::SomeFailed;
    const int target = find_target(systems, options.targets[0], &why);
    if (target < 0) {
        std::fprintf(stderr, "talvo: %s\n", why.c_str());
        return ExitCode::Usage;
    }
    const SystemRecord system = systems[static_cast<size_t>(target)];
    const int holder = system_at(systems, wanted.c_str());
    if (holder >= 0 && holder != target) {
        std::fprintf(stderr, "talvo: %s is taken by the system %s; two systems on one address cannot both be reached\n",
                     wanted.c_str(), mac_text(system_mac(systems[static_cast<size_t>(holder)])).c_str());
        return ExitCode::Usage;
    }
    const std::string mac = mac_text(system_mac(system));
    const char* const fields[4] = {octets[0], octets[1], octets[2], octets[3]};
    if (send_ipaddr(nic, system, fields) != 0) {
        std::fprintf(stderr, "talvo: %s (%s): sending the address change failed on %s\n", system.ip_text,
                     mac.c_str(), nic.device_name);
        return ExitCode::SomeFailed;
    }
    std::printf("%s (%s): address change to %s sent; scanning again\n", system.ip_text, mac.c_str(), wanted.c_str());
    platform::sleep_ms(AddressSettleMs);
    if (!scan_segment(nic, &systems)) return ExitCode::SomeFailed;
    const int moved = find_target(systems, mac, &why);
    if (moved >= 0 && wanted == systems[static_cast<size_t>(moved)].ip_text) {
        std::printf("%s (%s): now answers at %s\n", system.ip_text, mac.c_str(), wanted.c_str());
        return ExitCode::Done;
    }
    if (moved < 0)
        std::fprintf(stderr, "talvo: %s (%s): did not answer the scan after the address change\n", system.ip_text,
                     mac.c_str());
    else
        std::fprintf(stderr, "talvo: %s (%s): still answers at %s, not at %s\n", system.ip_text, mac.c_str(),
                     systems[static_cast<size_t>(moved)].ip_text, wanted.c_str());
    return ExitCode::SomeFailed;
}

// talvo-sim: one simulated Talvo measurement system on a Linux interface, so the tool
// can be tried and tested without hardware.
#include "cable.h"
#include "device_link.h"
#include "discovery_link.h"
#include "presence_watcher.h"
#include "sim_options.h"
#include "sim_system.h"
#include "wire/dotted_decimal.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>

namespace {

std::atomic<bool> Stop{false};

void request_stop(int) { Stop.store(true); }

void install_stop_handlers() {
    struct sigaction action = {};
    action.sa_handler = request_stop;  // no SA_RESTART: a waiting poll returns at once
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void announce(const SimOptions& options, const SimIdentity& me, int count) {
    char ip[DottedDecimalSize];
    format_dotted_decimal(me.ipv4, ip, sizeof ip);
    std::printf("talvo-sim: %s %s at %s, MAC %02x:%02x:%02x:%02x:%02x:%02x, on %s",
                me.type.c_str(), me.firmware.c_str(), ip, me.mac[0], me.mac[1], me.mac[2],
                me.mac[3], me.mac[4], me.mac[5], options.interface.c_str());
    if (count > 1) std::printf(", and %d more systems after it", count - 1);
    std::printf("\n");
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    SimOptions options;
    std::string error;
    if (!parse_sim_options(argc, argv, &options, &error)) {
        if (!error.empty()) std::fprintf(stderr, "talvo-sim: %s\n", error.c_str());
        std::fputs(sim_usage(), error.empty() ? stdout : stderr);
        return error.empty() ? 0 : 2;
    }
    SimIdentity me{{}, {}, options.type, options.firmware};
    std::copy(options.ipv4, options.ipv4 + 4, me.ipv4);
    if (options.mac_given) {
        std::copy(options.mac, options.mac + 6, me.mac);
    } else if (!interface_mac(options.interface.c_str(), me.mac)) {
        std::fprintf(stderr, "talvo-sim: %s has no Ethernet MAC; give one with --mac\n",
                     options.interface.c_str());
        return 1;
    }
    SimSystems systems;
    for (SimIdentity identity : consecutive_identities(me, options.count)) {
        if (options.same_address) std::copy(me.ipv4, me.ipv4 + 4, identity.ipv4);
        systems.push_back(std::make_unique<SimSystem>(identity));
    }
    if (options.ignore_ipaddr)
        for (auto& system : systems) system->ignore_address_changes();
    install_stop_handlers();
    std::unique_ptr<talvo_sim::DeviceService> device;
    const bool serve = options.device_service && options.count == 1;
    if (serve && !(device = start_device_link(options, *systems.front()))) return 1;
    announce(options, me, options.count);
    const PresenceWatcher presence(options.presence, options.count, cable_for(options, systems, device.get()));
    say_present_at_start(options, systems);
    return run_discovery(options, systems, Stop) == 0 ? 0 : 1;
}

#include "cable.h"

#include "interface_address.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

// "talvo-sim: MAC plugged in at UNIX-TIME": with the wall clock's time, so a benchmark
// can time a system from the moment it appeared.
void say_presence(const SimIdentity& me, bool present) {
    const double now = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    std::printf("talvo-sim: %02x:%02x:%02x:%02x:%02x:%02x %s at %.3f\n", me.mac[0], me.mac[1], me.mac[2], me.mac[3],
                me.mac[4], me.mac[5], present ? "plugged in" : "unplugged", now);
    std::fflush(stdout);
}

}  // namespace

void say_present_at_start(const SimOptions& options, const SimSystems& systems) {
    for (size_t i = 0; i < systems.size(); ++i)
        if (present_at(options.presence, static_cast<int>(i), 0)) say_presence(systems[i]->identity(), true);
}

PresenceWatcher::OnChange cable_for(const SimOptions& options, SimSystems& systems,
                                    talvo_sim::DeviceService* device) {
    // Only a lone system owns the interface; many share it and keep its address.
    const bool owns_interface = options.apply_address && systems.size() == 1;
    const std::string arp_before = owns_interface ? interface_arp_ignore(options.interface.c_str()) : "";
    return [&options, &systems, device, owns_interface, arp_before](int index, bool present) {
        SimSystem& system = *systems[static_cast<size_t>(index)];
        system.set_present(present);
        if (index == 0 && device != nullptr) device->set_present(present);
        if (owns_interface && !arp_before.empty())
            set_interface_arp_ignore(options.interface.c_str(), present ? arp_before : "8");
        say_presence(system.identity(), present);
    };
}

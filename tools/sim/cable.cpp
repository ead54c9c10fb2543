#include "cable.h"

#include "interface_address.h"

#include <cstdio>
#include <string>

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
        const SimIdentity me = system.identity();
        std::printf("talvo-sim: %02x:%02x:%02x:%02x:%02x:%02x %s\n", me.mac[0], me.mac[1], me.mac[2], me.mac[3],
                    me.mac[4], me.mac[5], present ? "plugged in" : "unplugged");
        std::fflush(stdout);
    };
}

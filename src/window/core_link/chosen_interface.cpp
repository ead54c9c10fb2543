#include "core_link/chosen_interface.h"

#include "core_link/send_udp_frame.h"
#include "wire/frame_sender.h"

int32_t ChosenInterface = 0;

const InterfaceRecord* chosen_interface() {
    if (ChosenInterface < 0 || ChosenInterface >= InterfaceCount) return nullptr;
    const InterfaceRecord& entry = InterfaceTable[ChosenInterface];
    return entry.device_name[0] == '\0' ? nullptr : &entry;
}

int32_t send_udp_frame(const char* payload, const uint8_t source_mac[6],
                       const uint8_t destination_mac[6], const uint8_t source_ipv4[4],
                       const uint8_t destination_ipv4[4]) {
    const InterfaceRecord* nic = chosen_interface();
    if (nic == nullptr) return -1;
    return send_udp_frame_on(nic->device_name, payload, source_mac, destination_mac, source_ipv4, destination_ipv4);
}

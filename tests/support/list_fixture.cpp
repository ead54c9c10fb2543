#include "list_fixture.h"

#include "core_link/firmware_catalogue.h"
#include "core_link/interface_catalogue.h"
#include "core_link/system_table.h"

#include <cstdio>
#include <cstring>

void fill_systems(int n) {
    clear_system_table();
    for (int i = 0; i < n; ++i) {
        uint8_t frame[42] = {};
        const uint8_t mac[6] = {0x02, 0x00, 0x5e, 0x00, 0x01, static_cast<uint8_t>(i)};
        std::memcpy(frame + 6, mac, 6);
        frame[14] = 0x45;
        const uint8_t ipv4[4] = {198, 51, 100, static_cast<uint8_t>(i + 1)};
        char type[32], ip[32], serial[32];
        std::snprintf(type, sizeof type, "type%d", i);
        std::snprintf(ip, sizeof ip, "198.51.100.%d", i + 1);
        std::snprintf(serial, sizeof serial, "K-R %d", 256 + i);
        add_system_to_internal(type, "fw-1.0", 42, frame, ip, serial, ipv4);
    }
}

void fill_interfaces(int n) {
    std::memset(InterfaceTable, 0, sizeof InterfaceTable);
    InterfaceCount = static_cast<int8_t>(n);
    for (int i = 0; i < n; ++i) {
        std::snprintf(InterfaceTable[i].description, sizeof InterfaceTable[i].description, "if%d", i);
        std::snprintf(InterfaceTable[i].device_name, sizeof InterfaceTable[i].device_name, "if%d", i);
        std::snprintf(InterfaceTable[i].ip_text, sizeof InterfaceTable[i].ip_text, "198.51.100.%d", 200 + i);
        std::snprintf(InterfaceTable[i].netmask_text, sizeof InterfaceTable[i].netmask_text, "255.255.255.0");
    }
}

void fill_firmware(int n) {
    FirmwareCount = n;
    for (int i = 0; i < n; ++i) std::snprintf(FirmwareNames[i], FirmwareNameSize, "fw%d.firm", i);
}

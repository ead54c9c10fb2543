#include "discovery/address_change.h"

#include "discovery/address_probe.h"
#include "wire/device_address.h"
#include "wire/discovery_protocol.h"
#include "wire/frame_sender.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

void format_ipaddr(const char* const octets[4], char* out, size_t size) {
    std::snprintf(out, size, "%s%s%.3s.%.3s.%.3s.%.3s", DiscoveryTag, IpAddrWord, octets[0], octets[1], octets[2],
                  octets[3]);
}

int32_t send_ipaddr(const InterfaceRecord& nic, const SystemRecord& system, const char* const octets[4]) {
    char command[256] = {};
    format_ipaddr(octets, command, sizeof command);
    return send_udp_frame_on(nic.device_name, command, nic.mac, system_mac(system), nic.ipv4, system.ipv4);
}

int32_t send_ipaddr(FrameSender& sender, const InterfaceRecord& nic, const SystemRecord& system,
                    const char* const octets[4]) {
    char command[256] = {};
    format_ipaddr(octets, command, sizeof command);
    const auto send = [&] { return sender.try_send(command, nic.mac, system_mac(system), nic.ipv4, system.ipv4); };
    const auto wait = [](uint32_t ms) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return true;
    };
    return send_until_taken(send, wait, ProbeSettings{}) == Resent::Sent ? 0 : -1;
}

bool parse_new_address(const char* text, char octets[4][4], std::string* why) {
    const char* at = text;
    uint8_t address[4];
    for (int i = 0; i < 4; ++i) {
        size_t digits = 0;
        while (at[digits] >= '0' && at[digits] <= '9') ++digits;
        const char end = at[digits];
        if (digits == 0 || digits > 3 || (i < 3 ? end != '.' : end != '\0')) {
            *why = std::string("'") + text + "' is not an IPv4 address (four numbers 0 to 255 joined by dots)";
            return false;
        }
        char written[4] = {};
        std::memcpy(written, at, digits);
        const int value = std::atoi(written);
        if (value > 255) {
            *why = std::string("'") + text + "': " + written + " is more than 255";
            return false;
        }
        // Without leading zeros: a system that reads "010" as C's inet_aton does takes 8.
        const std::string number = std::to_string(value);
        std::memcpy(octets[i], number.c_str(), number.size() + 1);
        address[i] = static_cast<uint8_t>(value);
        at += digits + 1;
    }
    if (!device_can_have_address(address)) {
        *why = std::string("no system can take ") + text +
               ": addresses 0.x.x.x, 127.x.x.x and from 224.0.0.0 up would lose it";
        return false;
    }
    return true;
}

#include "interface_address.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace {

struct Socket {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    ~Socket() {
        if (fd >= 0) close(fd);
    }
};

ifreq request_for(const char* interface) {
    ifreq request{};
    std::snprintf(request.ifr_name, sizeof request.ifr_name, "%s", interface);
    return request;
}

std::string arp_ignore_path(const char* interface) {
    return std::string("/proc/sys/net/ipv4/conf/") + interface + "/arp_ignore";
}

}  // namespace

bool set_interface_address(const char* interface, const uint8_t ipv4[4]) {
    Socket s;
    ifreq mask = request_for(interface);
    // Setting the address resets the netmask to the address's class: keep the old one.
    if (s.fd < 0 || ioctl(s.fd, SIOCGIFNETMASK, &mask) != 0) {
        std::fprintf(stderr, "talvo-sim: cannot read %s's netmask: %s\n", interface, std::strerror(errno));
        return false;
    }
    ifreq address = request_for(interface);
    auto* in = reinterpret_cast<sockaddr_in*>(&address.ifr_addr);
    in->sin_family = AF_INET;
    std::memcpy(&in->sin_addr, ipv4, 4);
    if (ioctl(s.fd, SIOCSIFADDR, &address) != 0 || ioctl(s.fd, SIOCSIFNETMASK, &mask) != 0) {
        std::fprintf(stderr, "talvo-sim: cannot give %s its new address: %s\n", interface, std::strerror(errno));
        return false;
    }
    return true;
}

std::string interface_arp_ignore(const char* interface) {
    std::ifstream in(arp_ignore_path(interface));
    std::string value;
    in >> value;
    return value;
}

bool set_interface_arp_ignore(const char* interface, const std::string& value) {
    std::ofstream out(arp_ignore_path(interface));
    out << value << '\n';
    out.close();
    if (!out) {
        std::fprintf(stderr, "talvo-sim: cannot set %s's arp_ignore to %s\n", interface, value.c_str());
        return false;
    }
    return true;
}

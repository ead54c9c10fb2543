#include "interface_address.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

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

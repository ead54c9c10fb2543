// The IPv4 socket address both platforms' TCP connections are built from.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#else
#include <netinet/in.h>
#endif

#include <cstdint>
#include <cstring>

namespace platform {

// Whether an address is set at all (0.0.0.0 leaves the choice to the system).
inline bool any_address(const uint8_t address[4]) {
    return (address[0] | address[1] | address[2] | address[3]) != 0;
}

inline sockaddr_in socket_address(const uint8_t address[4], uint16_t port) {
    sockaddr_in in{};
    in.sin_family = AF_INET;
    in.sin_port = htons(port);
    std::memcpy(&in.sin_addr, address, 4);
    return in;
}

}  // namespace platform

// How a DeviceConnection waits: its deadlines, its watch for a vanished system and what
// a reply may hold.
#pragma once

#include "update/dead_peer.h"
#include "update/reply_guard.h"

#include <cstdint>
#include <string>

// The deadline of one call runs from its start to the end of its reply. A live system
// answers a call within seconds; installing an image (the closing calls and the
// validation) may take it minutes, and the progress screen asks for two.
constexpr uint32_t RealCallDeadlineMs = 60 * 1000;
constexpr uint32_t RealInstallDeadlineMs = 10 * 60 * 1000;

// The one way a connection may take to the system: through the interface the systems
// were found on, never along a route through another one.
struct ConnectionRoute {
    std::string device;             // Linux: the interface's name; empty: by the routes
    uint8_t local_address[4] = {};  // Windows: the interface's own address; 0.0.0.0: any
};

// The route through one interface: each platform takes what binds there (Linux the
// name, Windows the address; Linux binding the address too changes nothing).
inline ConnectionRoute route_through(const char* device, const uint8_t own_address[4]) {
    ConnectionRoute route;
    route.device = device;
    for (int i = 0; i < 4; ++i) route.local_address[i] = own_address[i];
    return route;
}

struct ConnectionSettings {
    uint32_t call_deadline_ms = RealCallDeadlineMs;  // also bounds the TCP connect
    uint32_t install_deadline_ms = RealInstallDeadlineMs;
    DeadPeerTimings dead_peer = RealDeadPeerTimings;
    ReplyLimits limits;
    ConnectionRoute route;
};

// Which deadline a call gets.
enum class CallLength { Short, Install };

// Finding a system that died in the middle of an update, well before a call's deadline
// (an installation may keep the connection silent for minutes, so the deadline of the
// closing calls is long). TCP itself watches the connection: keep-alive probes find a dead peer while the tool waits for
// a reply, and TCP_USER_TIMEOUT ends a send whose data stays unacknowledged, which
// keep-alive never probes. A live system answers the probes and is never cut.
#pragma once

#include "platform/platform.h"

#include <cstdint>

struct DeadPeerTimings {
    int idle_s;              // silence before the first probe
    int interval_s;          // between probes
    int probes;              // unanswered probes before giving up (where no user time-out)
    uint32_t user_timeout_ms;  // unacknowledged data, or unanswered probes, this long: dead
};

// About a minute and a half of silence from a dead system, well within two minutes.
constexpr DeadPeerTimings RealDeadPeerTimings{30, 10, 6, 90000};

// Sets the options on a connected TCP socket. 0, or the errno of the option that failed.
int watch_for_dead_peer(platform::SocketHandle socket, const DeadPeerTimings& timings);

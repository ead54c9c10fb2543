#include "update/dead_peer.h"

#include <winsock2.h>
#include <mstcpip.h>
#include <ws2tcpip.h>

#ifndef TCP_MAXRT
#define TCP_MAXRT 5  // ws2ipdef.h of the Windows SDK; missing from mingw-w64's
#endif

namespace {

constexpr unsigned long WindowsKeepAliveProbes = 10;  // fixed by Windows since Vista

}  // namespace

// Windows sends a fixed number of probes, so their interval is chosen to end the
// probing at the user time-out; TCP_MAXRT bounds the retransmission of unacknowledged
// data the same way.
int watch_for_dead_peer(platform::SocketHandle socket, const DeadPeerTimings& timings) {
    const auto s = static_cast<SOCKET>(socket);
    const unsigned long idle_ms = static_cast<unsigned long>(timings.idle_s) * 1000;
    unsigned long interval_ms = static_cast<unsigned long>(timings.interval_s) * 1000;
    if (timings.user_timeout_ms > idle_ms)
        interval_ms = (timings.user_timeout_ms - idle_ms) / WindowsKeepAliveProbes;
    if (interval_ms == 0) interval_ms = 1;
    tcp_keepalive settings{1, idle_ms, interval_ms};
    DWORD returned = 0;
    if (WSAIoctl(s, SIO_KEEPALIVE_VALS, &settings, sizeof settings, nullptr, 0, &returned, nullptr, nullptr) != 0)
        return WSAGetLastError();
    DWORD max_retransmission_s = (timings.user_timeout_ms + 999) / 1000;
    if (setsockopt(s, IPPROTO_TCP, TCP_MAXRT, reinterpret_cast<const char*>(&max_retransmission_s),
                   sizeof max_retransmission_s) != 0) {
        const int error = WSAGetLastError();
        if (error != WSAENOPROTOOPT) return error;  // older systems: the probes alone watch
    }
    return 0;
}

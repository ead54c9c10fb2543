#include "update/dead_peer.h"

#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace {

int set_option(int socket, int level, int name, int value) {
    return setsockopt(socket, level, name, &value, sizeof value) == 0 ? 0 : errno;
}

}  // namespace

int watch_for_dead_peer(platform::SocketHandle socket, const DeadPeerTimings& timings) {
    int error = set_option(socket, SOL_SOCKET, SO_KEEPALIVE, 1);
    if (!error) error = set_option(socket, IPPROTO_TCP, TCP_KEEPIDLE, timings.idle_s);
    if (!error) error = set_option(socket, IPPROTO_TCP, TCP_KEEPINTVL, timings.interval_s);
    if (!error) error = set_option(socket, IPPROTO_TCP, TCP_KEEPCNT, timings.probes);
#ifdef TCP_USER_TIMEOUT
    if (!error)
        error = set_option(socket, IPPROTO_TCP, TCP_USER_TIMEOUT,
                           static_cast<int>(timings.user_timeout_ms));
#endif
    return error;
}

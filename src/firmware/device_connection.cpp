#include "firmware/device_connection.h"

#include "firmware/dead_peer.h"

#include <stdsoap2.h>

#include <cstdio>
#ifndef _WIN32
#include <sys/socket.h>
#endif

namespace {

#ifdef _WIN32
constexpr int NoSigpipe = 0;  // Windows has no SIGPIPE: a closed peer is always an error
#else
constexpr int NoSigpipe = MSG_NOSIGNAL;
#endif

// With the endpoint passed to every call (gSOAP 2.8 writes nothing without one), the
// runtime would open a new connection whenever the old one is found closed. These two
// hooks make it use the open socket as it is and refuse to open another.
int use_open_socket(struct soap* soap) {
    return soap_valid_socket(soap->socket) ? SOAP_OK : SOAP_EOF;
}

SOAP_SOCKET refuse_reconnect(struct soap* soap, const char*, const char*, int) {
    soap_set_receiver_error(soap, "Connection to the system lost",
                            "calls never open a new connection", SOAP_TCP_ERROR);
    return SOAP_INVALID_SOCKET;
}

}  // namespace

DeviceConnection::DeviceConnection() : soap_(soap_new1(SOAP_IO_KEEPALIVE)) {
    if (!soap_) return;
    soap_set_namespaces(soap_, namespaces);
    soap_->socket_flags = NoSigpipe;  // a closed peer is an error, not a SIGPIPE
    // The runtime would pin the socket buffers to 64 KB, stalling every megabyte-sized
    // chunk on the system's reading; the operating system sizes them better.
    soap_->sndbuf = 0;
    soap_->rcvbuf = 0;
}

DeviceConnection::~DeviceConnection() {
    if (!soap_) return;
    soap_destroy(soap_);
    soap_end(soap_);
    soap_free(soap_);  // closes the socket
}

int DeviceConnection::open(const char* address) {
    if (!soap_) return SOAP_EOM;
    endpoint_ = std::string(address) + ":5555";
    if (soap_connect(soap_, endpoint_.c_str(), nullptr) != SOAP_OK) return soap_->error;
    soap_->fpoll = use_open_socket;
    soap_->fopen = refuse_reconnect;
    install_trailer_filter(soap_, &filter_);
    if (const int error = watch_for_dead_peer(soap_->socket, DeadPeerSettings))
        std::fprintf(stderr, "cannot watch the connection for a dead system (errno %d)\n", error);
    return SOAP_OK;
}

void DeviceConnection::begin_call() { trailer_filter_new_message(&filter_); }

void DeviceConnection::release_call_memory() {
    if (!soap_) return;
    soap_destroy(soap_);
    soap_end(soap_);
}

void DeviceConnection::print_fault() const {
    if (soap_)
        soap_print_fault(soap_, stderr);
    else
        std::fprintf(stderr, "no SOAP context: out of memory\n");
}

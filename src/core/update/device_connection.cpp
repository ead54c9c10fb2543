#include "update/device_connection.h"

#include "platform/platform.h"

#include <stdsoap2.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

DeviceConnection::Io& io_of(struct soap* soap) {
    return *static_cast<DeviceConnection::Io*>(static_cast<TrailerFilter*>(soap->user));
}

// How often a wait looks whether it is to be abandoned.
constexpr long long AbandonCheckMs = 100;

bool abandoning(DeviceConnection::Io& io) {
    if (io.abandon && io.abandon->load(std::memory_order_acquire)) io.abandoned = true;
    return io.abandoned;
}

// Waits until the socket is ready for events, for at most the time left before the
// deadline. False when the deadline passed first (deadline_passed is then set), the
// call is abandoned, or the wait failed (errnum set).
bool wait_ready(struct soap* soap, DeviceConnection::Io& io, bool for_writing) {
    for (;;) {
        if (abandoning(io)) return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(io.deadline - Clock::now());
        if (left.count() <= 0) {
            io.deadline_passed = true;
            return false;
        }
        if (!soap_valid_socket(soap->socket)) return false;
        int error = 0;
        const long long slice = io.abandon ? std::min<long long>(left.count(), AbandonCheckMs) : left.count();
        const int ready = platform::wait_for_socket(soap->socket, for_writing,
                                                    static_cast<int>(std::min<long long>(slice, INT_MAX)), error);
        if (ready > 0) return true;
        if (ready < 0) {
            soap->errnum = error;
            return false;
        }
    }
}

// The runtime's receive: one read of what has arrived, or 0 (its end of input) when
// the deadline passed, the connection ended or the guard refused the reply.
size_t receive_within_deadline(struct soap* soap, char* buffer, size_t size) {
    DeviceConnection::Io& io = io_of(soap);
    if (io.deadline_passed || io.abandoned || io.guard.refusal() != ReplyRefusal::None) return 0;
    for (;;) {
        if (!wait_ready(soap, io, false)) return 0;
        int error = 0;
        const long long n = platform::receive_now(soap->socket, buffer, size, error);
        if (n > 0) return io.guard.admit(buffer, static_cast<size_t>(n)) ? static_cast<size_t>(n) : 0;
        if (n == 0) return 0;
        if (error != 0) {
            soap->errnum = error;
            return 0;
        }
    }
}

// The runtime's send: all of data before the deadline, or SOAP_EOF.
int send_within_deadline(struct soap* soap, const char* data, size_t size) {
    DeviceConnection::Io& io = io_of(soap);
    while (size > 0) {
        if (!wait_ready(soap, io, true)) return SOAP_EOF;
        int error = 0;
        const long long n = platform::send_now(soap->socket, data, size, error);
        if (n > 0) {
            data += n;
            size -= static_cast<size_t>(n);
        } else if (error != 0) {
            soap->errnum = error;
            return SOAP_EOF;
        }
    }
    return SOAP_OK;
}

// "198.51.100.12" into four bytes; false for any other text.
bool dotted_ipv4(const char* text, uint8_t out[4]) {
    unsigned parts[4];
    char tail = 0;
    if (std::sscanf(text, "%3u.%3u.%3u.%3u%c", &parts[0], &parts[1], &parts[2], &parts[3], &tail) != 4) return false;
    for (int i = 0; i < 4; ++i) {
        if (parts[i] > 255) return false;
        out[i] = static_cast<uint8_t>(parts[i]);
    }
    return true;
}

// The runtime's connect: along the connection's route only, within its deadline, and
// given up at once when abandoned. A failure reads as the runtime's own would.
SOAP_SOCKET connect_along_route(struct soap* soap, const char*, const char* host, int port) {
    DeviceConnection::Io& io = io_of(soap);
    platform::TcpTarget target{{}, static_cast<uint16_t>(port), io.route.device, {}};
    std::copy(io.route.local_address, io.route.local_address + 4, target.local_address);
    int error = 0;
    platform::SocketHandle socket = platform::InvalidSocket;
    if (dotted_ipv4(host, target.address)) {
        socket = platform::connect_tcp(target, static_cast<int>(io.connect_timeout_ms), io.abandon, error);
    } else {
        error = EINVAL;
    }
    if (socket != platform::InvalidSocket) return static_cast<SOAP_SOCKET>(socket);
    if (error == platform::ConnectAbandoned) io.abandoned = true;
    soap->errnum = error;
    const std::string reason = platform::socket_error_text(error);
    soap_set_receiver_error(soap, soap_strdup(soap, reason.c_str()), "connect failed in tcp_connect()", SOAP_TCP_ERROR);
    return SOAP_INVALID_SOCKET;
}

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

bool is_fault_status(int error) {
    return error == SOAP_FAULT || error == SOAP_CLI_FAULT || error == SOAP_SVR_FAULT;
}

}  // namespace

DeviceConnection::DeviceConnection() : soap_(soap_new1(SOAP_IO_KEEPALIVE)) {
    if (!soap_) return;
    soap_set_namespaces(soap_, namespaces);
#ifdef MSG_NOSIGNAL
    soap_->socket_flags = MSG_NOSIGNAL;  // a closed peer is an error, not a SIGPIPE
#endif
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

int DeviceConnection::open(const char* address, const ConnectionSettings& settings) {
    if (!soap_) return SOAP_EOM;
    settings_ = settings;
    io_.guard = ReplyGuard(settings.limits);
    apply_reply_limits(soap_, settings.limits);
    endpoint_ = std::string(address) + ":5555";
    io_.route = settings.route;
    io_.connect_timeout_ms = settings.call_deadline_ms;
    soap_->user = static_cast<TrailerFilter*>(&io_);
    soap_->fopen = connect_along_route;
    if (soap_connect(soap_, endpoint_.c_str(), nullptr) != SOAP_OK) return soap_->error;
    soap_->fpoll = use_open_socket;
    soap_->fopen = refuse_reconnect;
    soap_->frecv = receive_within_deadline;
    soap_->fsend = send_within_deadline;
    install_trailer_filter(soap_, &io_);
    watch_error_ = watch_for_dead_peer(soap_->socket, settings.dead_peer);
    return SOAP_OK;
}

void DeviceConnection::begin_call(CallLength length) {
    trailer_filter_new_message(&io_);
    const uint32_t ms = length == CallLength::Install ? settings_.install_deadline_ms : settings_.call_deadline_ms;
    io_.deadline = Clock::now() + std::chrono::milliseconds(ms);
    io_.deadline_passed = false;
    io_.guard.begin_reply();
}

void DeviceConnection::release_call_memory() {
    if (!soap_) return;
    soap_destroy(soap_);
    soap_end(soap_);
}

CallFailure DeviceConnection::failure() const {
    if (!soap_) return CallFailure::Transport;
    if (io_.abandoned) return CallFailure::Abandoned;
    if (io_.deadline_passed) return CallFailure::Deadline;
    if (io_.guard.refusal() == ReplyRefusal::TooLarge) return CallFailure::ReplyTooLarge;
    if (io_.guard.refusal() == ReplyRefusal::References) return CallFailure::BadReply;
    if (soap_->error == SOAP_EOF || soap_->error == SOAP_TCP_ERROR) return CallFailure::Transport;
    if (soap_->error == SOAP_LENGTH || soap_->error == SOAP_OCCURS || soap_->error == SOAP_EOM)
        return CallFailure::ReplyTooLarge;
    if (is_fault_status(soap_->error) && io_.guard.received() > 0) return CallFailure::Fault;
    return CallFailure::BadReply;
}

std::string DeviceConnection::fault_reason() const {
    if (!soap_) return {};
    const char** reason = soap_faultstring(soap_);
    return reason && *reason ? std::string(*reason) : std::string();
}

std::string DeviceConnection::fault_report() const {
    if (!soap_) return "no SOAP context: out of memory\n";
    char report[1024] = "";
    soap_sprint_fault(soap_, report, sizeof report);
    std::string text(report);
    if (!text.empty() && text.back() != '\n') text += '\n';
    return text;
}

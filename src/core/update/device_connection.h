// DeviceConnection: one SOAP context with its open TCP connection to the Device Service
// of one system ("%s:5555"). Bare envelopes on the TCP connection, SOAP_IO_KEEPALIVE
// only; the one connection serves every call and is never reopened: once the runtime
// has closed it, every later call fails. Closed when the object goes.
//
// Every call has a deadline for its request and its whole reply: each read and write
// waits only for the time left, so a system that answers nothing, drips a byte now and
// then, or never ends its reply fails the call once the deadline has passed. Replies
// are admitted through a ReplyGuard. Keep-alive and TCP_USER_TIMEOUT still find a
// system that vanished well before a long deadline.
#pragma once

#include "update/connection_settings.h"
#include "update/envelope_trailer_filter.h"
#include "update/reply_guard.h"

#include <atomic>
#include <chrono>
#include <string>

struct soap;

// Why the last call failed, as far as the tool can tell.
enum class CallFailure {
    Transport,      // no connection, closed, reset, or found dead
    Abandoned,      // given up on request, before its reply
    Deadline,       // no whole reply within the call's deadline
    ReplyTooLarge,  // the reply passed a limit of ReplyLimits
    Fault,          // the system answered with a SOAP fault
    BadReply,       // an answer the client cannot read
};

class DeviceConnection {
public:
    DeviceConnection();
    ~DeviceConnection();
    DeviceConnection(const DeviceConnection&) = delete;
    DeviceConnection& operator=(const DeviceConnection&) = delete;

    // Connects to address:5555 along the settings' route (no bytes are sent), within the
    // call deadline. 0 when the connection is open, the runtime's status otherwise.
    int open(const char* address, const ConnectionSettings& settings = {});

    // While *abandon (null: never) is true, the connect and every call give up at once,
    // without waiting for the reply: for the steps that may be dropped unfinished.
    void set_abandon(const std::atomic<bool>* abandon) { io_.abandon = abandon; }

    struct soap* context() const { return soap_; }
    const char* endpoint() const { return endpoint_.c_str(); }

    // Before each call: starts its deadline and a new reply.
    void begin_call(CallLength length);
    // Frees what the context took for the last call: the chunk copy, the reply, the
    // fault. The connection stays open.
    void release_call_memory();

    CallFailure failure() const;
    // The fault's reason (faultstring, or the SOAP 1.2 reason) when failure() is Fault.
    std::string fault_reason() const;
    // The runtime's report of the last error, as soap_print_fault writes it.
    std::string fault_report() const;
    // 0, or the errno of the keep-alive option that could not be set on the open
    // connection (a vanished system is then found only by the call deadlines).
    int watch_error() const { return watch_error_; }

    // The I/O state the runtime's send and receive hooks reach through the context.
    struct Io : TrailerFilter {
        std::chrono::steady_clock::time_point deadline{};
        bool deadline_passed = false;
        ReplyGuard guard;
        const std::atomic<bool>* abandon = nullptr;
        bool abandoned = false;
        ConnectionRoute route;
        uint32_t connect_timeout_ms = 0;
    };

private:
    struct soap* soap_ = nullptr;
    std::string endpoint_;
    ConnectionSettings settings_;
    Io io_;
    int watch_error_ = 0;
};

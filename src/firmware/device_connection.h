// DeviceConnection: one SOAP context with its open TCP connection to the Device Service
// of one system ("%s:5555"). Bare envelopes on the TCP connection, SOAP_IO_KEEPALIVE
// only, no time-outs; the one connection serves every call and is never reopened: once
// the runtime has closed it, every later call fails. Closed when the object goes.
#pragma once

#include "firmware/envelope_trailer_filter.h"

#include <string>

struct soap;

class DeviceConnection {
public:
    DeviceConnection();
    ~DeviceConnection();
    DeviceConnection(const DeviceConnection&) = delete;
    DeviceConnection& operator=(const DeviceConnection&) = delete;

    // Connects to address:5555 (no bytes are sent). 0 when the connection is open, the
    // runtime's status otherwise.
    int open(const char* address);

    struct soap* context() const { return soap_; }
    const char* endpoint() const { return endpoint_.c_str(); }

    // Before each call.
    void begin_call();
    // Frees what the context took for the last call: the chunk copy, the reply, the
    // fault. The connection stays open.
    void release_call_memory();
    // The runtime's report of the last error, on standard error.
    void print_fault() const;

private:
    struct soap* soap_ = nullptr;
    std::string endpoint_;
    TrailerFilter filter_;
};

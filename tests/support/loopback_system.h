// A simulated system's Device Service on a loopback address of its own, and the files
// and faults tests give it.
#pragma once

#include "device_service.h"

#include <memory>
#include <string>
#include <vector>

// A simulated system listening on port 5555 of a loopback address.
struct LoopbackSystem {
    explicit LoopbackSystem(const talvo_sim::DeviceServiceOptions& options);
    std::unique_ptr<talvo_sim::DeviceService> service;
    std::string address;  // "" when no address could be had
};

// "TALVOFW <text>\n" and size - that many pattern bytes: a firmware named text.
std::vector<unsigned char> named_firmware(const std::string& text, size_t size, unsigned seed);

talvo_sim::FaultRule fault(talvo_sim::Operation operation, talvo_sim::RequestKind kind, int occurrence,
                           talvo_sim::FaultAction action, std::string text = "", int32_t code = 1,
                           int32_t syserrno = 0);

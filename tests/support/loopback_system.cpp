#include "loopback_system.h"

#include "loopback.h"
#include "temp_resources.h"

LoopbackSystem::LoopbackSystem(const talvo_sim::DeviceServiceOptions& options) {
    address = claim_loopback_address([&](const std::string& candidate) {
        service = std::make_unique<talvo_sim::DeviceService>(options);
        return service->start(candidate, 5555);
    });
}

std::vector<unsigned char> named_firmware(const std::string& text, size_t size, unsigned seed) {
    const std::string head = "TALVOFW " + text + "\n";
    std::vector<unsigned char> bytes = pattern_bytes(size, seed);
    for (size_t i = 0; i < head.size() && i < size; ++i) bytes[i] = static_cast<unsigned char>(head[i]);
    return bytes;
}

talvo_sim::FaultRule fault(talvo_sim::Operation operation, talvo_sim::RequestKind kind, int occurrence,
                           talvo_sim::FaultAction action, std::string text, int32_t code,
                           int32_t syserrno) {
    talvo_sim::FaultRule rule;
    rule.operation = operation;
    rule.kind = kind;
    rule.occurrence = occurrence;
    rule.action = action;
    rule.text = std::move(text);
    rule.code = code;
    rule.syserrno = syserrno;
    return rule;
}

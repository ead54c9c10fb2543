#include "device_link.h"

#include "wire/dotted_decimal.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <map>

using talvo_sim::FaultAction;
using talvo_sim::FaultRule;
using talvo_sim::Operation;
using talvo_sim::RequestKind;

namespace {

bool parse_target(const std::string& text, FaultRule* rule) {
    static const std::map<std::string, Operation> operations = {
        {"GetModuleType", Operation::GetModuleType}, {"FirmwareUpdate", Operation::FirmwareUpdate},
        {"MMCUpdate", Operation::MMCUpdate},         {"MMCValidate", Operation::MMCValidate},
        {"ForceReboot", Operation::ForceReboot}};
    static const std::map<std::string, RequestKind> kinds = {
        {"chunk", RequestKind::Chunk}, {"closing", RequestKind::Closing}, {"reset", RequestKind::Reset}};
    std::string name = text;
    rule->occurrence = -1;
    if (const size_t hash = name.find('#'); hash != std::string::npos) {
        char* end = nullptr;
        rule->occurrence = static_cast<int>(std::strtol(name.c_str() + hash + 1, &end, 10));
        if (*end != '\0' || rule->occurrence < 0) return false;
        name.resize(hash);
    }
    if (const size_t slash = name.find('/'); slash != std::string::npos) {
        const auto kind = kinds.find(name.substr(slash + 1));
        if (kind == kinds.end()) return false;
        rule->kind = kind->second;
        name.resize(slash);
    }
    const auto operation = operations.find(name);
    if (operation == operations.end()) return false;
    rule->operation = operation->second;
    return true;
}

bool parse_action(const std::string& text, FaultRule* rule) {
    static const std::map<std::string, FaultAction> actions = {
        {"refuse", FaultAction::Refuse}, {"accept", FaultAction::Accept}, {"soap-fault", FaultAction::SoapFault},
        {"drop", FaultAction::Drop},     {"silence", FaultAction::Silence}};
    const size_t colon = text.find(':');
    const auto action = actions.find(text.substr(0, colon));
    if (action == actions.end()) return false;
    rule->action = action->second;
    if (colon != std::string::npos) rule->text = text.substr(colon + 1);
    return true;
}

}  // namespace

bool parse_fault_rule(const std::string& text, FaultRule* rule, std::string* error) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos || !parse_target(text.substr(0, equals), rule) ||
        !parse_action(text.substr(equals + 1), rule)) {
        *error = "bad --fault rule '" + text + "'; see --help";
        return false;
    }
    return true;
}

std::unique_ptr<talvo_sim::DeviceService> start_device_link(const SimOptions& options, SimSystem& system) {
    const SimIdentity me = system.identity();
    talvo_sim::DeviceServiceOptions service;
    service.module_type = me.type;
    service.firmware = me.firmware;
    service.install_delay_ms = options.install_delay_ms;
    service.file_system_install_delay_ms = options.install_delay_ms;
    service.chunk_delay_ms = options.chunk_delay_ms;
    service.reboot_silence_ms = options.reboot_silence_ms;
    service.present = present_at(options.presence, 0, 0);
    if (!options.record_dir.empty()) {
        mkdir(options.record_dir.c_str(), 0755);  // several systems may share it
        char address[DottedDecimalSize];
        format_dotted_decimal(me.ipv4, address, sizeof address);
        service.record_prefix = options.record_dir + "/" + address;
    }
    for (const std::string& text : options.faults) {
        FaultRule rule;
        std::string error;
        if (!parse_fault_rule(text, &rule, &error)) {
            std::fprintf(stderr, "talvo-sim: %s\n", error.c_str());
            return nullptr;
        }
        service.faults.push_back(rule);
    }
    service.on_request = [&system](const talvo_sim::Request& request) {
        if (request.operation == Operation::ForceReboot) system.set_rebooting(true);
    };
    service.on_rebooted = [&system](const std::string& firmware) {
        system.set_firmware(firmware);
        system.set_rebooting(false);
        std::printf("talvo-sim: rebooted into firmware %s\n", firmware.c_str());
        std::fflush(stdout);
    };
    auto link = std::make_unique<talvo_sim::DeviceService>(service);
    if (const int error = link->start("0.0.0.0", 5555); error != 0) {
        std::fprintf(stderr, "talvo-sim: cannot serve the Device Service on port 5555: %s\n", std::strerror(error));
        return nullptr;
    }
    return link;
}

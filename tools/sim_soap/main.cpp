// talvo-device-service: one simulated system's Device Service on its own, for trying the
// tool's firmware update by hand.
//   talvo-device-service [--listen ADDRESS] [--port N] [--install-delay-ms N]
//       [--reboot-silence-ms N] [--module-type TEXT] [--firmware TEXT] [--http-header]
//       [--refuse-chunk N TEXT] [--accept-reset] [--fault OPERATION TEXT]
//       [--drop OPERATION] [--silent OPERATION]
// It prints one line per request and runs until interrupted.
#include "device_service.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

using namespace talvo_sim;

namespace {

volatile std::sig_atomic_t Interrupted = 0;

Operation operation_from(const char* name) {
    for (Operation op : {Operation::GetModuleType, Operation::FirmwareUpdate, Operation::MMCUpdate,
                         Operation::MMCValidate, Operation::ForceReboot})
        if (std::strcmp(name, operation_name(op)) == 0) return op;
    std::fprintf(stderr, "unknown operation %s\n", name);
    std::exit(2);
}

FaultRule rule(Operation op, RequestKind kind, int occurrence, FaultAction action, std::string text) {
    FaultRule r;
    r.operation = op;
    r.kind = kind;
    r.occurrence = occurrence;
    r.action = action;
    r.text = std::move(text);
    return r;
}

bool parse(int argc, char** argv, DeviceServiceOptions& options, std::string& address, int& port) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool one = i + 1 < argc, two = i + 2 < argc;
        if (a == "--listen" && one) address = argv[++i];
        else if (a == "--port" && one) port = std::atoi(argv[++i]);
        else if (a == "--install-delay-ms" && one) options.install_delay_ms = std::atoi(argv[++i]);
        else if (a == "--reboot-silence-ms" && one) options.reboot_silence_ms = std::atoi(argv[++i]);
        else if (a == "--module-type" && one) options.module_type = argv[++i];
        else if (a == "--firmware" && one) options.firmware = argv[++i];
        else if (a == "--http-header") options.http_header = true;
        else if (a == "--accept-reset")
            options.faults.push_back(rule(Operation::FirmwareUpdate, RequestKind::Reset, -1, FaultAction::Accept, ""));
        else if (a == "--refuse-chunk" && two) {
            const int n = std::atoi(argv[i + 1]);
            options.faults.push_back(rule(Operation::FirmwareUpdate, RequestKind::Chunk, n, FaultAction::Refuse, argv[i + 2]));
            i += 2;
        } else if (a == "--fault" && two) {
            options.faults.push_back(rule(operation_from(argv[i + 1]), RequestKind::Plain, 0, FaultAction::SoapFault, argv[i + 2]));
            i += 2;
        } else if ((a == "--drop" || a == "--silent") && one) {
            const FaultAction action = a == "--drop" ? FaultAction::Drop : FaultAction::Silence;
            options.faults.push_back(rule(operation_from(argv[++i]), RequestKind::Plain, 0, action, ""));
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    DeviceServiceOptions options;
    std::string address = "127.0.0.1";
    int port = 5555;
    if (!parse(argc, argv, options, address, port)) {
        std::fprintf(stderr, "usage: see the head of tools/sim_soap/main.cpp\n");
        return 2;
    }
    options.on_request = [](const Request& r) {
        std::printf("%s %s %zu bytes%s%s\n", operation_name(r.operation), request_kind_name(r.kind),
                    r.bytes.size(), r.malformed.empty() ? "" : " malformed: ", r.malformed.c_str());
        std::fflush(stdout);
    };
    options.on_rebooted = [](const std::string& firmware) {
        std::printf("rebooted with firmware %s\n", firmware.c_str());
        std::fflush(stdout);
    };
    DeviceService service(options);
    if (const int error = service.start(address, static_cast<uint16_t>(port))) {
        std::fprintf(stderr, "cannot listen on %s:%d: %s\n", address.c_str(), port, std::strerror(error));
        return 1;
    }
    std::printf("listening on %s:%u\n", address.c_str(), service.port());
    std::fflush(stdout);
    std::signal(SIGINT, [](int) { Interrupted = 1; });
    std::signal(SIGTERM, [](int) { Interrupted = 1; });
    while (!Interrupted) sleep(1);  // a signal cuts the sleep short
    service.stop();
    return 0;
}

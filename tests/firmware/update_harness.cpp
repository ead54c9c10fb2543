#include "update_harness.h"

#include "firmware/dead_peer.h"
#include "firmware/update_seams.h"
#include "firmware/update_sequence.h"
#include "loopback.h"
#include "shell/app.h"

#include <stdsoap2.h>

#include <cstdio>

LoopbackSystem::LoopbackSystem(const talvo_sim::DeviceServiceOptions& options) {
    address = claim_loopback_address([&](const std::string& candidate) {
        service = std::make_unique<talvo_sim::DeviceService>(options);
        return service->start(candidate, 5555);
    });
}

UpdateRun captured_run(const std::function<int32_t()>& f) {
    UpdateRun run;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    run.result = f();
    std::fflush(stdout);
    std::fflush(stderr);
    run.err = ::testing::internal::GetCapturedStderr();
    run.out = ::testing::internal::GetCapturedStdout();
    return run;
}

void StatusSamples::attach(talvo_sim::DeviceServiceOptions& options) {
    options.on_request = [this](const talvo_sim::Request&) {
        std::lock_guard<std::mutex> lock(mutex_);
        values_.push_back(UpdateStatus.load(std::memory_order_acquire));
    };
}

std::vector<int> StatusSamples::values() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return values_;
}

void UpdateTest::SetUp() {
    RebootWaitMs = 20;
    DeadPeerSettings = DeadPeerTimings{1, 1, 2, 2000};
    TakeChunkMemory = soap_malloc;
    UpdateErrorText[0] = '\0';
    UpdateStatus.store(1, std::memory_order_release);
}

void UpdateTest::TearDown() {
    RebootWaitMs = RealRebootWaitMs;
    CallDeadlineMs = RealCallDeadlineMs;
    InstallDeadlineMs = RealInstallDeadlineMs;
    DeadPeerSettings = RealDeadPeerTimings;
    TakeChunkMemory = soap_malloc;
}

UpdateRun UpdateTest::run_update(const std::string& name, const std::string& address) {
    const std::string path = resources.path(name);
    return captured_run([&] { return run_firmware_update(name.c_str(), path.c_str(), address.c_str()); });
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

#include "update_fixture.h"

#include "core_link/update_seams.h"
#include "core_link/update_sequence.h"
#include "core_link/update_status.h"
#include "toolkit/resource_path.h"
#include "update/dead_peer.h"

#include <stdsoap2.h>

#include <cstdio>

WindowResources::WindowResources() { std::snprintf(ResourceDir, sizeof ResourceDir, "%s", root().c_str()); }

UpdateRun captured_run(const std::function<int32_t()>& f) {
    UpdateRun run;
    UpdateGate.reset();  // as the window does on each entry to the update screen
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

// Running the update sequence in tests: a simulated system on a loopback address of
// its own, the sequence's outputs captured, short waits.
#pragma once

#include "device_service.h"
#include "temp_resources.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

// A simulated system listening on port 5555 of a loopback address.
struct LoopbackSystem {
    explicit LoopbackSystem(const talvo_sim::DeviceServiceOptions& options);
    std::unique_ptr<talvo_sim::DeviceService> service;
    std::string address;  // "" when no address could be had
};

// What a run of the sequence gave.
struct UpdateRun {
    int32_t result = 0;
    std::string out;  // standard output
    std::string err;  // standard error
};

// Calls f with standard output and standard error captured.
UpdateRun captured_run(const std::function<int32_t()>& f);

// UpdateStatus as each request reached the system (the tool waits for the reply then,
// so the value is the one of that step).
class StatusSamples {
public:
    void attach(talvo_sim::DeviceServiceOptions& options);
    std::vector<int> values() const;

private:
    mutable std::mutex mutex_;
    std::vector<int> values_;
};

// Short waits and fast dead-peer detection for the test, restored after it.
class UpdateTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // run_firmware_update for firmware/name against the system at address.
    UpdateRun run_update(const std::string& name, const std::string& address);

    TempResources resources;
};

// "TALVOFW <text>\n" and size - that many pattern bytes: a firmware named text.
std::vector<unsigned char> named_firmware(const std::string& text, size_t size, unsigned seed);

talvo_sim::FaultRule fault(talvo_sim::Operation operation, talvo_sim::RequestKind kind, int occurrence,
                           talvo_sim::FaultAction action, std::string text = "", int32_t code = 1,
                           int32_t syserrno = 0);

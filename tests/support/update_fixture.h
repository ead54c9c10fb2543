// Running the window's update sequence in tests: a simulated system on a loopback
// address of its own, the sequence's outputs captured, short waits.
#pragma once

#include "loopback_system.h"
#include "temp_resources.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

// A TempResources that ResourceDir points at: the window's firmware folder for a test.
class WindowResources : public TempResources {
public:
    WindowResources();
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

    WindowResources resources;
};

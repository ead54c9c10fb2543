// A whole firmware update through the shell on a virtual segment (root, namespaces):
// scan, the chosen firmware with its SD board file, the update screen's state with the
// real 30 s wait after the reboot, the Ok click, and the next scan showing the new
// firmware text. Slow (about 40 s) because it keeps the real wait.
#include "app/state_machine.h"
#include "core_link/chosen_interface.h"
#include "core_link/firmware_catalogue.h"
#include "core_link/interface_catalogue.h"
#include "core_link/system_table.h"
#include "core_link/update_seams.h"
#include "core_link/update_sequence.h"
#include "core_link/update_status.h"
#include "support/screen_fixture.h"
#include "support/segment_harness.h"
#include "toolkit/resource_path.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Watches UpdateStatus from its own thread, as the progress screen would, records
// every value it takes, and clicks Ok once the update has ended. Past the deadline it
// closes the window instead, so a hung update cannot hang the test.
class StatusWatcher {
public:
    explicit StatusWatcher(std::chrono::seconds deadline) : deadline_(deadline) {
        thread_ = std::thread([this] { watch(); });
    }
    ~StatusWatcher() { join(); }

    void join() {
        if (thread_.joinable()) thread_.join();
    }

    std::vector<int32_t> values;           // each value once, in the order seen
    std::vector<Clock::time_point> times;  // when each was first seen
    bool timed_out = false;

private:
    void watch() {
        const auto end = Clock::now() + deadline_;
        int32_t last = -1;
        for (;;) {
            const int32_t now = UpdateStatus.load(std::memory_order_acquire);
            if (now != last) {
                values.push_back(now);
                times.push_back(Clock::now());
                last = now;
            }
            if (now == 9 || now == 10) {
                // The Ok button's area as the progress screen lays it out.
                push_motion(420, 290);
                push_button_up(420, 290);
                return;
            }
            if (Clock::now() > end) {
                timed_out = true;
                push_quit();
                return;
            }
            // Spins: a step can be one short request and reply.
            std::this_thread::yield();
        }
    }

    std::chrono::seconds deadline_;
    std::thread thread_;
};

int find_firmware(const char* name) {
    for (int i = 0; i < FirmwareCount; ++i)
        if (std::strcmp(FirmwareNames[i], name) == 0) return i;
    return -1;
}

std::string file_text(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class SegmentUpdate : public ScreenTest {};

TEST_F(SegmentUpdate, WholeUpdateWithSdBoardFileShowsTheNewFirmwareInTheNextScan) {
    // A short silence after the reboot, so the system is back before the 30 s end;
    // installing takes a moment, as on a real system.
    PERABO_INSIDE_SEGMENT(1, 0, true, {"--reboot-silence", "3000", "--install-delay", "200"});
    ASSERT_EQ(RebootWaitMs, RealRebootWaitMs) << "this run keeps the real wait after the reboot";

    ASSERT_EQ(build_interface_catalogue(), 0);
    ChosenInterface = -1;
    for (int i = 0; i < InterfaceCount; ++i)
        if (std::strcmp(InterfaceTable[i].device_name, "talvo0") == 0) ChosenInterface = i;
    ASSERT_GE(ChosenInterface, 0) << "talvo0 is not in the catalogue";

    // The first scan finds the system with the firmware the segment gave it.
    const std::vector<SimulatedSystem> systems = segment_systems();
    ASSERT_EQ(systems.size(), 1u);
    AppState = StateScan;
    run_state_once();
    ASSERT_EQ(AppState, StateSystemList);
    ASSERT_EQ(SystemCount, 1);
    EXPECT_STREQ(SystemTable[0].ip_text, systems[0].ip_text.c_str());
    EXPECT_STREQ(SystemTable[0].firmware_text, systems[0].firmware.c_str());
    ASSERT_STRNE(SystemTable[0].firmware_text, "3.3.0") << "the system must not run the new firmware yet";

    // The firmware list's part: the catalogue read, a row chosen, the update confirmed.
    ASSERT_EQ(read_firmware_catalogue(), 0);
    SelectedSystem = 0;
    ChosenFirmware = find_firmware("TLV-3.3.0.firm");
    ASSERT_GE(ChosenFirmware, 0) << "the build puts TLV-3.3.0.firm in " << ResourceDir << "/firmware";
    ASSERT_EQ(find_spmmc_file("TLV-3.3.0.firm"), 1) << "the sample comes with its SD board file";
    UpdateStatus.store(1, std::memory_order_release);
    AppState = StateUpdateFirmware;

    const auto start = Clock::now();
    StatusWatcher watcher(std::chrono::seconds(120));
    testing::internal::CaptureStdout();
    run_state_once();  // the update thread, the progress screen and the Ok click
    const std::string printed = testing::internal::GetCapturedStdout();
    const auto ended = Clock::now();
    watcher.join();
    ASSERT_FALSE(watcher.timed_out) << "the update did not end within two minutes";
    EXPECT_EQ(Running, 1);
    EXPECT_EQ(AppState, StateScan) << "Ok leads to a new scan";
    EXPECT_STREQ(UpdateErrorText, "");

    // Every step, in order, as the update reported it. (A watcher on a busy machine can
    // miss a step of one short request; each step's own line cannot be missed.)
    size_t at = 0;
    for (const char* line : {"forcing reset of upload on the module", "Uploading firmware file",
                             "Now updating firmware", "Uploading spmmc file", "Now updating spmmc",
                             "Try to validate the MMC", "Now rebooting"}) {
        const size_t found = printed.find(line, at);
        EXPECT_NE(found, std::string::npos) << "\"" << line << "\" missing or out of order in:\n" << printed;
        if (found != std::string::npos) at = found;
    }
    // The progress screen's values only ever go forward, from 1 to 9, through the wait.
    EXPECT_TRUE(std::is_sorted(watcher.values.begin(), watcher.values.end()));
    EXPECT_EQ(std::adjacent_find(watcher.values.begin(), watcher.values.end()), watcher.values.end());
    const auto seen = [&](int32_t value) {
        return std::find(watcher.values.begin(), watcher.values.end(), value) - watcher.values.begin();
    };
    ASSERT_GE(watcher.values.front(), 1);
    ASSERT_EQ(watcher.values.back(), 9) << "UpdateErrorText: " << UpdateErrorText;
    ASSERT_LT(static_cast<size_t>(seen(8)), watcher.values.size()) << "the 30 s wait after the reboot was seen";

    // The real wait: status 8 (reboot requested) to 9 takes 30 s.
    const auto reboot = watcher.times[static_cast<size_t>(seen(8))];
    const auto updated = watcher.times[static_cast<size_t>(seen(9))];
    const double waited = std::chrono::duration<double>(updated - reboot).count();
    EXPECT_GE(waited, 29.9);
    EXPECT_LT(waited, 36.0);
    EXPECT_LT(std::chrono::duration<double>(ended - start).count(), 60.0);

    // The simulator installed and rebooted into the uploaded image's firmware.
    const char* state = std::getenv("PERABO_SEGMENT_STATE");
    ASSERT_NE(state, nullptr);
    EXPECT_NE(file_text(std::string(state) + "/sim-1.log").find("rebooted into firmware 3.3.0"), std::string::npos);

    // The next scan shows the new firmware text.
    run_state_once();
    ASSERT_EQ(AppState, StateSystemList);
    ASSERT_EQ(SystemCount, 1);
    EXPECT_STREQ(SystemTable[0].ip_text, systems[0].ip_text.c_str());
    EXPECT_STREQ(SystemTable[0].firmware_text, "3.3.0");
}

}  // namespace

// The main state machine driven through its real event loops with injected events.
#include "app/event_loops.h"
#include "app/state_machine.h"
#include "core_link/chosen_interface.h"
#include "core_link/firmware_catalogue.h"
#include "core_link/interface_catalogue.h"
#include "core_link/system_table.h"
#include "core_link/update_sequence.h"
#include "core_link/update_status.h"
#include "screens/interface_list.h"
#include "screens/ip_dialog.h"
#include "screens/system_list.h"
#include "screens/update_screen.h"
#include "support/list_fixture.h"
#include "support/screen_fixture.h"
#include "toolkit/resource_path.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

class StateMachineTest : public ScreenTest {};

TEST_F(StateMachineTest, QuitFromEveryStateEndsTheMachine) {
    for (int32_t state = StateChooseInterface; state <= StateUpdateFirmware; ++state) {
        SetUp();
        AppState = state;
        push_quit();
        run_state_machine();
        EXPECT_EQ(Running, 0) << "state " << state;
    }
}

TEST_F(StateMachineTest, AnUnknownStateStopsTheMachine) {
    for (int32_t state : {6, -1}) {
        SetUp();
        AppState = state;
        ::testing::internal::CaptureStdout();
        run_state_machine();
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Unvalid state \n");
        EXPECT_EQ(Running, 0);
        EXPECT_EQ(AppState, state);
    }
}

TEST_F(StateMachineTest, InterfaceScreenAlwaysMovesOnToTheScan) {
    push_quit();
    run_state_once();
    EXPECT_EQ(AppState, StateScan);
    EXPECT_EQ(Running, 0);
}

TEST_F(StateMachineTest, ScanMovesToTheListWhenItHasEnded) {
    AppState = StateScan;
    run_state_once();
    EXPECT_EQ(ScanDone.load(), 1);
    EXPECT_EQ(AppState, StateSystemList);
    EXPECT_EQ(Running, 1);
}

// A list scrolled far down would show the next, shorter scan's rows many clicks away.
TEST_F(StateMachineTest, EveryScanShowsItsListFromTheTop) {
    SystemList.FirstVisible = 110;
    AppState = StateScan;
    run_state_once();
    EXPECT_EQ(AppState, StateSystemList);
    EXPECT_EQ(SystemList.FirstVisible, 0);
}

TEST_F(StateMachineTest, SystemListKeysAndToolbar) {
    struct Case { const char* what; void (*push)(); int32_t next; };
    const Case cases[] = {
        {"F5", [] { push_key(SDLK_F5); }, StateScan},
        {"rescan button", [] { push_button_up(70, 20); }, StateScan},
        {"back button", [] { push_button_up(20, 20); }, StateChooseInterface},
        {"back button at the bar's last row", [] { push_button_up(20, 45); }, StateChooseInterface},
    };
    for (const Case& c : cases) {
        SetUp();
        AppState = StateSystemList;
        SelectedSystem = 3;
        c.push();
        run_state_once();
        EXPECT_EQ(AppState, c.next) << c.what;
        EXPECT_EQ(SelectedSystem, -1) << "entering the list clears the selection";
        EXPECT_EQ(Running, 1) << c.what;
    }
}

TEST_F(StateMachineTest, SystemListIgnoresOtherButtonsKeysAndTheListBand) {
    AppState = StateSystemList;
    push_button_up(20, 20, SDL_BUTTON_RIGHT);
    push_button_up(20, 46);  // y 46 belongs to the list, not the back button
    push_key(SDLK_F4);
    push_key(SDLK_RETURN);
    push_quit();
    run_state_once();
    EXPECT_EQ(AppState, StateSystemList);
    EXPECT_EQ(Running, 0);
}

TEST_F(StateMachineTest, FirmwareScreenBackAndRescan) {
    AppState = StateChooseFirmware;
    push_button_up(20, 20);
    run_state_once();
    EXPECT_EQ(AppState, StateSystemList);

    SetUp();
    AppState = StateChooseFirmware;
    push_key(SDLK_F5);            // re-reads the folder and stays
    push_button_up(70, 20);       // rescan: the same
    push_button_up(20, 20, SDL_BUTTON_RIGHT);
    push_quit();
    run_state_once();
    EXPECT_EQ(AppState, StateChooseFirmware);
    EXPECT_EQ(Running, 0);
}

// F5 reads the folder again: a file added while the list is open appears.
TEST_F(StateMachineTest, FirmwareListF5ShowsAFileAddedMeanwhile) {
    char pattern[] = "/tmp/perabo-f5-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string root = pattern;
    std::filesystem::create_directory(root + "/firmware");
    std::ofstream(root + "/firmware/a.firm") << "a";
    char saved[sizeof ResourceDir];
    std::memcpy(saved, ResourceDir, sizeof saved);
    std::snprintf(ResourceDir, sizeof ResourceDir, "%s", root.c_str());
    read_firmware_catalogue();  // as on entry to the screen
    ASSERT_EQ(FirmwareCount, 1);
    std::ofstream(root + "/firmware/b.firm") << "b";
    push_key(SDLK_F5);
    push_quit();
    firmware_loop();
    EXPECT_EQ(FirmwareCount, 2);
    EXPECT_STREQ(FirmwareNames[1], "b.firm");
    std::memcpy(ResourceDir, saved, sizeof saved);
    std::filesystem::remove_all(root);
}

TEST_F(StateMachineTest, AddressScreenBackWithAnyButton) {
    for (Uint8 button : {SDL_BUTTON_LEFT, SDL_BUTTON_RIGHT, SDL_BUTTON_MIDDLE}) {
        SetUp();
        AppState = StateChangeIp;
        push_button_up(20, 20, button);
        run_state_once();
        EXPECT_EQ(AppState, StateSystemList) << "button " << int(button);
    }
}

// The update screen ignores clicks until the update has ended, then Ok leads to a scan.
TEST_F(StateMachineTest, UpdateScreenWaitsForTheEndBeforeOk) {
    UpdateStatus.store(4);
    std::atomic<bool> returned{false};
    std::thread user([&] {
        push_motion(410, 290);  // over the Ok button
        push_button_up(410, 290);
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        EXPECT_FALSE(returned.load()) << "a click during the update must do nothing";
        UpdateStatus.store(9, std::memory_order_release);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        push_button_up(410, 290);
    });
    update_wait_loop();
    returned = true;
    user.join();
    EXPECT_EQ(AppState, StateScan);
    EXPECT_EQ(Running, 1);
}

TEST_F(StateMachineTest, UpdateScreenOkNeedsThePointerOnTheButton) {
    UpdateStatus.store(10);
    OkHover = 0;
    std::thread user([] {
        push_motion(400, 290);  // the button's edge
        push_button_up(400, 290);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        push_quit();
    });
    update_wait_loop();
    user.join();
    EXPECT_EQ(Running, 0);
    EXPECT_NE(AppState, StateScan);
}

// Closing the window while the system installs: a system left then keeps new firmware
// without its SD board file system and its restart, so the screen goes on, saying so,
// until the system has its reboot request.
TEST_F(StateMachineTest, QuitDuringTheInstallationWaitsForTheRebootRequest) {
    UpdateStatus.store(4);
    UpdateGate.reset();
    ASSERT_TRUE(UpdateGate.enter_installation());
    std::atomic<bool> returned{false};
    std::thread user([&] {
        push_quit();
        // The quit request was taken (Running is the main thread's; read it as another thread may).
        while (__atomic_load_n(&Running, __ATOMIC_ACQUIRE) != 0) std::this_thread::yield();
        EXPECT_FALSE(returned.load()) << "the window closed during the installation";
        UpdateStatus.store(8, std::memory_order_release);
        UpdateGate.leave_installation();  // the reboot request was taken
    });
    update_wait_loop();
    returned = true;
    user.join();
    EXPECT_EQ(Running, 0);
    bool closing_text = false;  // the last frame says why the window stays
    for (int x = 270; x < 600 && !closing_text; ++x)
        for (int y = 342; y < 356 && !closing_text; ++y) closing_text = same_colour(pixel_at(x, y), Rgb{0, 0, 0});
    EXPECT_TRUE(closing_text);
}

TEST_F(StateMachineTest, FailedUpdateShowsItsReasonAndOkLeadsToAScan) {
    AppState = StateUpdateFirmware;  // nothing chosen: the update fails at once
    std::thread user([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        push_motion(401, 281);
        push_button_up(401, 281);
    });
    run_state_once();
    user.join();
    EXPECT_EQ(UpdateStatus.load(), 10);
    EXPECT_EQ(AppState, StateScan);
}

TEST_F(StateMachineTest, QuitDuringAScanEndsAfterOneFrame) {
    ScanDone.store(0);
    push_quit();
    const auto start = Clock::now();
    scan_wait_loop();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_EQ(Running, 0);
    EXPECT_GE(ms, 35);
    EXPECT_LT(ms, 500);
}

TEST_F(StateMachineTest, FinishedScanDrawsNoFurtherFrame) {
    ScanDone.store(1);
    SDL_FillRect(Screen, nullptr, SDL_MapRGB(Screen->format, 1, 2, 3));
    scan_wait_loop();
    EXPECT_TRUE(same_colour(pixel_at(400, 300), Rgb{1, 2, 3}));
}

}  // namespace

namespace {

TEST_F(StateMachineTest, ChoosingAnInterfaceLeavesForTheScan) {
    fill_interfaces(3);  // made-up device names: nothing here can be opened
    SplashShown = 0;
    push_button_up(300, 130, SDL_BUTTON_RIGHT);  // ignored
    push_button_up(300, 130);
    run_state_once();
    EXPECT_EQ(ChosenInterface, 1);
    EXPECT_EQ(AppState, StateScan);
    EXPECT_EQ(Running, 1);
    fill_interfaces(0);
}

TEST_F(StateMachineTest, BulletsOfTheSelectedRowLeadToTheirScreens) {
    fill_systems(2);
    struct Case { int x; int32_t next; };
    for (const Case& c : {Case{480, StateChangeIp}, Case{760, StateChooseFirmware}}) {
        SetUp();
        AppState = StateSystemList;
        push_button_up(300, 130);  // selects record 1
        push_motion(c.x, 130);
        push_button_up(c.x, 130);
        run_state_once();
        EXPECT_EQ(SelectedSystem, 1);
        EXPECT_EQ(AppState, c.next);
    }
    fill_systems(0);
}

// Editing keys reach the dialog; after the command is sent the scan waits a second.
TEST_F(StateMachineTest, SentAddressPausesOneSecondBeforeTheScan) {
    InterfaceCount = 0;  // the command is built but there is no interface to send it on
    fill_systems(1);
    SelectedSystem = 0;
    AppState = StateChangeIp;
    push_key(SDLK_TAB);
    for (int i = 0; i < 3; ++i) push_key(SDLK_DELETE);
    push_key(SDLK_0);
    push_key(SDLK_KP1);  // the numeric keypad does nothing here
    push_key(SDLK_1);
    push_key(SDLK_BACKSPACE);
    push_key(SDLK_1);
    push_key(SDLK_0);
    push_button_up(420, 160, SDL_BUTTON_RIGHT);  // any button applies
    const auto start = Clock::now();
    run_state_once();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_STREQ(OctetFields[0], "010");
    EXPECT_EQ(AppState, StateScan);
    EXPECT_GE(ms, 1000);
    EXPECT_LT(ms, 2500);
    fill_systems(0);
}

}  // namespace

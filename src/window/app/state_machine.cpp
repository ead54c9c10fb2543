#include "app/state_machine.h"

#include "app/event_loops.h"
#include "core_link/firmware_catalogue.h"
#include "core_link/scan.h"
#include "core_link/system_table.h"
#include "core_link/update_sequence.h"
#include "core_link/update_status.h"
#include "platform/platform.h"
#include "screens/firmware_list.h"
#include "screens/interface_list.h"
#include "screens/ip_dialog.h"
#include "screens/scanning_screen.h"
#include "screens/system_list.h"
#include "screens/toolbar.h"
#include "screens/update_screen.h"
#include "toolkit/window_values.h"

#include <cstdio>

int32_t AppState = StateChooseInterface;
int32_t Running = 1;
std::atomic<int32_t> ScanDone{0};

int32_t scan_thread() {
    scan_task();
    ScanDone.store(1, std::memory_order_release);
    return 0;
}

// The update works on the chosen firmware and the selected system; without both
// there is nothing to update.
int32_t update_thread() {
    std::printf("start firmware update task\n");
    const std::optional<FirmwareFile> firmware = chosen_firmware();
    const SystemRecord* system = selected_system();
    UpdateStatus.store(1, std::memory_order_release);
    int32_t result;
    if (!firmware || !system) {
        set_update_error("No firmware or no system chosen");
        result = -1;
    } else if (firmware->path.size() >= FirmwarePathSize) {
        // A cut path could name another file: never upload from it.
        set_update_error("Error, firmware path too long : %s", firmware->path.c_str());
        result = -4;
    } else if (!update_reaches_system(SelectedSystem)) {
        result = -1;  // the reason is the error text: nothing was sent
    } else {
        result = run_firmware_update(firmware->name.c_str(), firmware->path.c_str(), system->ip_text);
    }
    UpdateStatus.store(result == 0 ? UpdateStatusUpdated : UpdateStatusFailed, std::memory_order_release);
    return 0;
}

namespace {

void enter_choose_interface() {
    interface_header_draw();
    interface_list_draw();
    SDL_Flip(Screen);
    interface_loop();
    AppState = StateScan;
}

void enter_scan() {
    ScanDone.store(0, std::memory_order_release);
    if (platform::start_detached_thread(scan_thread) != 0) {
        std::printf("Unable to start the scan thread\n");
        ScanDone.store(1, std::memory_order_release);
    }
    scanning_screen_draw(0);
    SDL_Flip(Screen);
    scan_wait_loop();
    SystemList.FirstVisible = 0;  // a new list starts at its top
    AppState = StateSystemList;
}

void enter_system_list() {
    SelectedSystem = -1;
    system_list_toolbar_draw();
    system_list_draw();
    SDL_Flip(Screen);
    system_list_loop();
}

void enter_change_ip() {
    ip_dialog_open();
    ip_dialog_draw();
    SDL_Flip(Screen);
    ip_change_loop();
}

void enter_choose_firmware() {
    read_firmware_catalogue();
    firmware_toolbar_draw();
    firmware_list_draw();
    SDL_Flip(Screen);
    firmware_loop();
}

void enter_update_firmware() {
    UpdateGate.reset();  // before the thread: no update runs now
    if (platform::start_detached_thread(update_thread) != 0) {
        std::printf("Unable to start the update thread\n");
        set_update_error("Unable to start the update");
        UpdateStatus.store(UpdateStatusFailed, std::memory_order_release);
    }
    update_screen_draw(0);
    SDL_Flip(Screen);
    update_wait_loop();
    AppState = StateScan;
}

}  // namespace

void run_state_once() {
    switch (AppState) {
    case StateChooseInterface: enter_choose_interface(); break;
    case StateScan: enter_scan(); break;
    case StateSystemList: enter_system_list(); break;
    case StateChangeIp: enter_change_ip(); break;
    case StateChooseFirmware: enter_choose_firmware(); break;
    case StateUpdateFirmware: enter_update_firmware(); break;
    default:
        std::printf("Unvalid state \n");
        Running = 0;
        break;
    }
}

void run_state_machine() {
    while (Running == 1) run_state_once();
}

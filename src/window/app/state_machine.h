// The main state machine: one screen at a time, each drawn, presented and handed to
// its event loop; two states start a worker thread.
#pragma once

#include <atomic>
#include <cstdint>

// The screen the main state machine is on.
enum : int32_t {
    StateChooseInterface = 0,
    StateScan = 1,
    StateSystemList = 2,
    StateChangeIp = 3,
    StateChooseFirmware = 4,
    StateUpdateFirmware = 5,
};

extern int32_t AppState;
extern int32_t Running;                // the machine goes on while it equals 1
extern std::atomic<int32_t> ScanDone;  // written by the scan thread, read by the main thread

// Runs the current state once: its entry actions, its loop, and the next AppState.
void run_state_once();

// Runs states while Running equals 1.
void run_state_machine();

// Worker entries: the discovery scan and the firmware update.
int32_t scan_thread();
int32_t update_thread();

// The main state machine: one screen at a time, each drawn, presented and handed to
// its event loop; two states start a worker thread.
#pragma once

#include <cstdint>

// Runs the current state once: its entry actions, its loop, and the next AppState.
void run_state_once();

// Runs states while Running equals 1.
void run_state_machine();

// Worker entries: the discovery scan and the firmware update.
int32_t scan_thread();
int32_t update_thread();

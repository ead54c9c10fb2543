// One event loop per screen. Each runs on the main thread after its screen has been
// drawn, routes events to the screen's hit tests, and returns to the state machine
// after setting AppState, or with Running 0 on a quit request.
#pragma once

#include <cstdint>

constexpr uint32_t FrameDelayMs = 35;        // pace of the two waiting screens
constexpr int32_t LastFrame = 100;           // animation frames run 0..100
constexpr uint32_t AddressSentPauseMs = 1000;
constexpr uint32_t AddressNotePauseMs = 4000;  // with a note to read

void interface_loop();
void scan_wait_loop();
void system_list_loop();
void ip_change_loop();
void firmware_loop();
void update_wait_loop();

// The frame after this one: 0..100, then back to 0.
inline int32_t next_frame(int32_t frame) { return frame + 1 > LastFrame ? 0 : frame + 1; }

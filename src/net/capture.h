// The capture thread of a scan: it reads the answers into SystemTable.
#pragma once

#include <atomic>
#include <cstdint>

constexpr int CaptureSilenceMs = 2000;  // the capture ends after this long without a frame

// 0 while the capture runs; the capture thread stores 1 (release) after its last
// write to SystemTable, and scan_task waits for it (acquire).
extern std::atomic<int32_t> CaptureDone;

// The capture thread's entry: runs capture_loop, then sets CaptureDone to 1.
int32_t capture_thread();

// Captures on the chosen interface, handing each frame to handle_discovery_frame,
// until CaptureSilenceMs pass without one. 0 when the capture ran and ended; -1 when
// no valid interface is chosen, the device cannot be opened (pcap's error text goes
// to standard error), or the filter cannot be compiled or installed.
int32_t capture_loop();

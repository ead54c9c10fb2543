// The tool's discovery scan: one IDENT broadcast on ChosenInterface, the answers
// captured into SystemTable.
#pragma once

#include "discovery/discovery_frame.h"
#include "discovery/discovery_scan.h"

#include <atomic>
#include <cstdint>

// 0 while a scan's capture runs; the capture thread stores 1 (release) after its last
// write to SystemTable, and scan_task waits for it (acquire).
extern std::atomic<int32_t> CaptureDone;
// 0 until the capture is open and filtered; the request waits for it.
extern std::atomic<int32_t> CaptureReady;

// The settings scan_task runs with. Tests change them; the program never does.
extern ScanSettings ScanTaskSettings;

// The timing of the last scan the tool ran; written by the scan thread before ScanDone.
extern ScanTiming LastScanTiming;

// Runs one whole scan on ChosenInterface and returns 0 when it has ended. SystemTable
// holds the answers, LastScanTiming the scan's timing; what the user should know of
// the scan's end is printed on standard output.
int32_t scan_task();

// Examines one captured frame on the chosen interface and appends its record to
// SystemTable when it is an answer and the table has room.
FrameKind handle_discovery_frame(const uint8_t* frame, size_t captured_length);

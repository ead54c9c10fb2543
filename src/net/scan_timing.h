// When the steps of the last scan happened, for diagnostics and the scan benchmark.
// Times are milliseconds since scan_task began. The scan thread writes the scan's
// fields and the capture thread the capture's, each before the flag that ends its work.
#pragma once

#include <cstdint>

struct ScanTiming {
    double ident_sent_ms;           // when the IDENT request was handed to the sender
    double last_frame_ms;           // when the last captured frame was handled; -1 for none
    double capture_end_ms;          // when the capture loop returned
    int32_t frames;                 // frames that passed the capture filter
    int64_t max_handover_delay_us;  // longest wait from a frame's arrival to its handling
};

extern ScanTiming LastScanTiming;

// Restarts the clock and clears LastScanTiming; called as a scan begins.
void start_scan_clock();
// Milliseconds since start_scan_clock.
double scan_clock_ms();

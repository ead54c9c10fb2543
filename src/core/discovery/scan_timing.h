// When the steps of a scan happened, for diagnostics and the scan benchmark. Times are
// milliseconds since the scan began.
#pragma once

#include <cstdint>

struct ScanTiming {
    double capture_ready_ms;        // when the capture was open and filtered; -1 never
    double ident_sent_ms;           // when the IDENT request was handed to the sender; -1 never
    double last_frame_ms;           // when the last captured frame was handled; -1 for none
    double last_answer_ms;          // when the last answer was handled; -1 for none
    double capture_end_ms;          // when the capture loop returned
    int32_t frames;                 // frames that passed the capture filter
    int64_t max_handover_delay_us;  // longest wait from a frame's arrival to its handling
};

constexpr ScanTiming NoScanTiming{-1, -1, -1, -1, 0, 0, 0};

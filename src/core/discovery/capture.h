// The capture side of a scan: on a thread of its own, it opens the interface, reads
// the answers to the request and hands them to the scan's store.
#pragma once

#include "discovery/discovery_scan.h"

#include <atomic>
#include <chrono>
#include <cstdint>

// Everything the capture thread of one scan shares with the scan thread. The scan
// thread reads the results only after done is 1.
struct CaptureJob {
    const InterfaceRecord& nic;
    const ScanSettings& settings;
    const AnswerSink& sink;
    const DiagnosticSink& diagnostics;
    ScanFlags flags;
    std::chrono::steady_clock::time_point start;  // the scan's start
    // Steady-clock time the request left; 0 until then, RequestAbandoned when it never will.
    std::atomic<int64_t> request_sent_ns{0};
    ScanReport report;                            // the capture's part of it
};

// Opens the interface, installs the filter, stores 1 in ready, and reads answers until
// the silence or the hard limit ends the reading. 0 when the capture ran and ended; -1
// when the interface has no device name, the device cannot be opened (pcap's error
// text goes to the diagnostics), or the filter cannot be compiled or installed.
int32_t capture_loop(CaptureJob& job);

// The capture thread's body: runs capture_loop, then stores 1 in done (release).
void capture_thread(CaptureJob& job);

// Milliseconds from the scan's start to now.
double scan_milliseconds(const CaptureJob& job);

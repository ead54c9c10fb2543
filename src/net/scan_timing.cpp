#include "net/scan_timing.h"

#include <chrono>

ScanTiming LastScanTiming = {};

namespace {
std::chrono::steady_clock::time_point ScanStart;
}

void start_scan_clock() {
    ScanStart = std::chrono::steady_clock::now();
    LastScanTiming = ScanTiming{0, -1, 0, 0, 0};
}

double scan_clock_ms() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - ScanStart).count();
}

#include "core_link/scan.h"

#include "core_link/chosen_interface.h"
#include "core_link/system_table.h"

#include "core_link/print_diagnostic.h"

#include <cstdio>

std::atomic<int32_t> CaptureDone{0};
std::atomic<int32_t> CaptureReady{0};
ScanSettings ScanTaskSettings;
ScanTiming LastScanTiming = NoScanTiming;

int32_t scan_task() {
    clear_system_table();
    LastScanTiming = NoScanTiming;
    const InterfaceRecord* nic = chosen_interface();
    if (nic == nullptr) {
        // Nothing to open: the scan ends at once with the empty table.
        CaptureDone.store(1, std::memory_order_release);
        return 0;
    }
    const ScanReport report = run_scan(*nic, ScanTaskSettings, store_in_system_table, print_diagnostic,
                                       ScanFlags{&CaptureReady, &CaptureDone});
    LastScanTiming = report.timing;
    describe_scan_end(report, ScanTaskSettings, print_diagnostic);
    return 0;
}

FrameKind handle_discovery_frame(const uint8_t* frame, size_t captured_length) {
    const InterfaceRecord* nic = chosen_interface();
    SystemRecord record;
    const FrameKind kind = read_answer_frame(frame, captured_length, nic ? nic->ipv4 : nullptr, &record);
    if (kind == FrameKind::Answer) store_in_system_table(record);
    return kind;
}

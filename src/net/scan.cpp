#include "net/scan.h"

#include "net/capture.h"
#include "net/chosen_interface.h"
#include "net/discovery_protocol.h"
#include "net/scan_timing.h"
#include "net/send_udp_frame.h"
#include "net/system_table.h"
#include "platform/platform.h"

#include <chrono>
#include <cstdio>

namespace {

constexpr uint32_t CaptureStartDelayMs = 100;  // lets the capture open before the request
constexpr uint32_t CapturePollMs = 100;

void send_ident() {
    // Without a valid interface there are no source fields to read; the sender refuses.
    static const uint8_t none[6] = {};
    const InterfaceRecord* nic = chosen_interface();
    const uint8_t* mac = nic != nullptr ? nic->mac : none;
    const uint8_t* ipv4 = nic != nullptr ? nic->ipv4 : none;
    send_udp_frame(IdentRequest, mac, BroadcastMac, ipv4, BroadcastIpv4);
}

using Clock = std::chrono::steady_clock;

// Tests CaptureDone every 100 ms on the cadence that began with the scan, so neither
// the time the request took nor the overshoot of each sleep adds up into the wait.
void wait_for_capture(Clock::time_point start) {
    auto next = start + std::chrono::milliseconds(CaptureStartDelayMs);
    while (CaptureDone.load(std::memory_order_acquire) != 1) {
        next += std::chrono::milliseconds(CapturePollMs);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now());
        if (left.count() > 0) platform::sleep_ms(static_cast<uint32_t>(left.count()));
    }
}

}  // namespace

int32_t scan_task() {
    const auto start = Clock::now();
    start_scan_clock();
    clear_system_table();
    CaptureDone.store(0, std::memory_order_relaxed);
    if (platform::start_detached_thread(capture_thread) != 0) {
        // Nobody would ever set CaptureDone: end the scan now, with the empty table.
        std::fprintf(stderr, "Unable to start the capture thread\n");
        return 0;
    }
    platform::sleep_ms(CaptureStartDelayMs);
    LastScanTiming.ident_sent_ms = scan_clock_ms();
    send_ident();
    wait_for_capture(start);
    return 0;
}

// Times discovery scans the way the tool runs them: from the start of the scan thread
// to ScanDone. Run it inside the namespace that holds the interface.
//   scan-bench INTERFACE RUNS
// Prints one line a run:
//   run N duration_ms D systems S ident_ms I last_frame_ms L capture_end_ms C max_handover_us H
#include "app/state_machine.h"
#include "core_link/chosen_interface.h"
#include "core_link/interface_catalogue.h"
#include "core_link/scan.h"
#include "core_link/system_table.h"
#include "platform/platform.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

int find_interface(const char* name) {
    for (int i = 0; i < InterfaceCount; ++i)
        if (std::strcmp(InterfaceTable[i].device_name, name) == 0) return i;
    return -1;
}

double time_one_scan() {
    using Clock = std::chrono::steady_clock;
    ScanDone.store(0);
    const auto start = Clock::now();
    if (platform::start_detached_thread(scan_thread) != 0) return -1;
    while (ScanDone.load(std::memory_order_acquire) != 1)
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: scan-bench INTERFACE RUNS\n");
        return 2;
    }
    build_interface_catalogue();
    ChosenInterface = find_interface(argv[1]);
    if (ChosenInterface < 0) {
        std::fprintf(stderr, "scan-bench: no interface %s\n", argv[1]);
        return 1;
    }
    const int runs = std::atoi(argv[2]);
    for (int run = 1; run <= runs; ++run) {
        const double ms = time_one_scan();
        const ScanTiming& t = LastScanTiming;
        std::printf("run %d duration_ms %.1f systems %d ident_ms %.1f last_frame_ms %.1f "
                    "capture_end_ms %.1f max_handover_us %lld ready_ms %.1f last_answer_ms %.1f\n",
                    run, ms, SystemCount, t.ident_sent_ms, t.last_frame_ms, t.capture_end_ms,
                    static_cast<long long>(t.max_handover_delay_us), t.capture_ready_ms, t.last_answer_ms);
        std::fflush(stdout);
    }
    return 0;
}

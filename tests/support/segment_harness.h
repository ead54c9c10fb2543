// Runs a test inside the PC namespace of a virtual segment (scripts/segment.sh):
// the test process builds the segment, runs itself again inside it with the same
// test selected, and takes the segment down. The inner run does the checks.
#pragma once

#include "discovery/interface_record.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

struct SegmentLayout {
    SegmentLayout(int system_count = 0, int reply_delay = 0, bool pc_address = true,
                  std::vector<std::string> simulator_args = {}, bool in_one_process = false,
                  std::map<int, std::vector<std::string>> simulator_args_for = {})
        : systems(system_count), reply_delay_ms(reply_delay), pc_has_address(pc_address),
          sim_args(std::move(simulator_args)), one_process(in_one_process),
          sim_args_for(std::move(simulator_args_for)) {}

    // The same layout with plain hosts holding these addresses (segment.sh --host).
    SegmentLayout with_hosts(std::vector<std::string> addresses) const {
        SegmentLayout layout = *this;
        layout.hosts = std::move(addresses);
        return layout;
    }

    // The same layout with all systems played by one simulator at one factory address
    // (segment.sh --one-process --same-address).
    SegmentLayout at_one_address() const {
        SegmentLayout layout = *this;
        layout.one_process = layout.same_address = true;
        return layout;
    }

    // The same layout with more addresses on the PC's interface after its first, "ADDR/N"
    // each (segment.sh --pc-address).
    SegmentLayout with_pc_addresses(std::vector<std::string> addresses) const {
        SegmentLayout layout = *this;
        layout.pc_addresses = std::move(addresses);
        return layout;
    }

    // The same layout with a /prefix mask on the PC's first address (--pc-prefix).
    SegmentLayout with_pc_prefix(int prefix) const {
        SegmentLayout layout = *this;
        layout.pc_prefix = prefix;
        return layout;
    }

    // The same layout with the PC sending through a transmit queue of this many frames,
    // drained at 1 Mbit/s (--pc-queue).
    SegmentLayout with_pc_queue(int frames) const {
        SegmentLayout layout = *this;
        layout.pc_queue = frames;
        return layout;
    }

    // The same layout with the frames the PC sends coming back to it, so its kernel
    // answers the PC's own ARP probes (--pc-hears-itself).
    SegmentLayout hearing_itself() const {
        SegmentLayout layout = *this;
        layout.pc_hears_itself = true;
        return layout;
    }

    // The same layout with every system at the factory address 198.51.100.50, each in
    // its own namespace with its own simulator (segment.sh --same-address).
    SegmentLayout from_factory() const {
        SegmentLayout layout = *this;
        layout.same_address = true;
        return layout;
    }

    // The same layout with systems appearing size at a time, every_ms apart, the first
    // at the start (segment.sh --waves).
    SegmentLayout in_waves(int size, int every_ms) const {
        SegmentLayout layout = *this;
        layout.wave_size = size;
        layout.wave_every_ms = every_ms;
        return layout;
    }

    int systems;
    int reply_delay_ms;
    bool pc_has_address;
    std::vector<std::string> sim_args;  // passed to every talvo-sim (segment.sh --sim-arg)
    bool one_process;                   // all systems played by one talvo-sim (segment.sh --one-process)
    std::map<int, std::vector<std::string>> sim_args_for;  // by system, from 1 (--sim-arg-for)
    std::vector<std::string> hosts;     // addresses of plain hosts, one host each
    bool same_address = false;          // all systems at 198.51.100.50
    std::vector<std::string> pc_addresses;  // more addresses of talvo0, "ADDR/N"
    int pc_prefix = 24;                     // the mask of the PC's first address
    int pc_queue = 0;                       // frames in talvo0's transmit queue; 0: none, each frame leaves at once
    bool pc_hears_itself = false;
    int wave_size = 0;                  // 0: all systems there from the start
    int wave_every_ms = 0;
};

struct SegmentOutcome {
    bool inside = false;      // true: this is the run inside the segment; do the checks
    std::string skip_reason;  // not empty: the segment cannot be built here
};

// Outside: builds the segment, runs the current test inside it, records its failure.
SegmentOutcome run_inside_segment(const SegmentLayout& layout);

// Starts the body of a test that needs the segment; only the inner run goes on.
#define PERABO_INSIDE_SEGMENT(...)                                              \
    do {                                                                        \
        const SegmentOutcome outcome_ = run_inside_segment(SegmentLayout{__VA_ARGS__}); \
        if (!outcome_.skip_reason.empty()) GTEST_SKIP() << outcome_.skip_reason; \
        if (!outcome_.inside) return;                                           \
    } while (0)

// One simulated system as the segment script lists it.
struct SimulatedSystem {
    std::string ns;  // the namespace the system lives in
    std::string ip_text;
    uint8_t mac[6];
    std::string type;
    std::string firmware;
};

// Inside: the systems of the segment this run sits in.
std::vector<SimulatedSystem> segment_systems();

// One plain host as the segment script lists it: no simulator, only its kernel.
struct SegmentHost {
    std::string ns;
    std::string ip_text;
    uint8_t mac[6];
};

// Inside: the plain hosts of the segment this run sits in, in the order asked for.
std::vector<SegmentHost> segment_hosts();

// Inside: the PC's interface on the segment (talvo0), as the interface list gives it.
InterfaceRecord segment_interface();

// Inside: what simulated system I (from 1) wrote to its log so far.
std::string segment_system_log(int system);

#include "segment_harness.h"

#include "discovery/interface_list.h"
#include "platform/platform.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

const char* const StateVariable = "PERABO_SEGMENT_STATE";

std::string segment_script() { return std::string(PERABO_SOURCE_DIR) + "/scripts/segment.sh"; }

std::string quoted(const std::string& text) { return "'" + text + "'"; }

int run(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string current_test() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(info->test_suite_name()) + "." + info->name();
}

std::string self_path() {
    char path[4096];
    if (platform::executable_path(path, sizeof path) <= 0) path[0] = '\0';
    return path;
}

std::string why_no_segment() {
    if (geteuid() != 0) return "needs root to build network namespaces; run the tests as root";
    if (run("unshare --net true >/dev/null 2>&1") != 0) return "network namespaces are not available here";
    if (run("ip netns list >/dev/null 2>&1") != 0) return "'ip netns' (iproute2) is not available";
    return "";
}

std::string file_text(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void read_mac(const std::string& text, uint8_t mac[6]) {
    unsigned int b[6] = {};
    std::sscanf(text.c_str(), "%x:%x:%x:%x:%x:%x", &b[0], &b[1], &b[2], &b[3], &b[4], &b[5]);
    for (int i = 0; i < 6; ++i) mac[i] = static_cast<uint8_t>(b[i]);
}

std::string state_file(const char* name) { return std::string(std::getenv(StateVariable)) + "/" + name; }

// Takes the segment down however the test ends.
struct SegmentGuard {
    std::string name;
    ~SegmentGuard() { run(segment_script() + " down " + name + " >/dev/null"); }
};

}  // namespace

SegmentOutcome run_inside_segment(const SegmentLayout& layout) {
    SegmentOutcome outcome;
    if (std::getenv(StateVariable) != nullptr) {
        outcome.inside = true;
        return outcome;
    }
    outcome.skip_reason = why_no_segment();
    if (!outcome.skip_reason.empty()) return outcome;

    SegmentGuard guard{"tn" + std::to_string(getpid())};
    // A segment under this name can only be left over by an earlier process with this id.
    run(segment_script() + " down " + guard.name + " >/dev/null");
    std::ostringstream up;
    up << segment_script() << " up " << guard.name << " " << layout.systems << " --sim "
       << quoted(std::string(PERABO_BINARY_DIR) + "/talvo-sim") << " --reply-delay " << layout.reply_delay_ms
       << (layout.pc_has_address ? "" : " --pc-without-address") << (layout.one_process ? " --one-process" : "")
       << (layout.same_address ? " --same-address" : "");
    if (layout.wave_size > 0) up << " --waves " << layout.wave_size << ":" << layout.wave_every_ms;
    for (const std::string& arg : layout.sim_args) up << " --sim-arg " << quoted(arg);
    for (const auto& [system, args] : layout.sim_args_for)
        for (const std::string& arg : args) up << " --sim-arg-for " << system << " " << quoted(arg);
    for (const std::string& address : layout.hosts) up << " --host " << quoted(address);
    for (const std::string& address : layout.pc_addresses) up << " --pc-address " << quoted(address);
    if (layout.pc_prefix != 24) up << " --pc-prefix " << layout.pc_prefix;
    if (layout.pc_queue > 0) up << " --pc-queue " << layout.pc_queue;
    if (layout.pc_hears_itself) up << " --pc-hears-itself";
    const std::string errors = "/tmp/" + guard.name + ".segment-errors";
    up << " >/dev/null 2>" << quoted(errors);
    const int built = run(up.str());
    const std::string why = file_text(errors);
    std::remove(errors.c_str());
    if (built != 0) {
        ADD_FAILURE() << "could not build the virtual segment: " << up.str() << "\n" << why;
        return outcome;
    }
    const char* root = std::getenv("TALVO_SEGMENT_STATE");
    const std::string state = std::string(root ? root : "/run/talvo-segment") + "/" + guard.name;
    const std::string inner = "ip netns exec " + guard.name + "-pc env " + StateVariable + "=" + quoted(state) +
                              " " + quoted(self_path()) + " --gtest_filter=" + current_test();
    EXPECT_EQ(run(inner), 0) << "the run inside the segment failed; its output is above";
    return outcome;
}

std::vector<SimulatedSystem> segment_systems() {
    std::vector<SimulatedSystem> systems;
    std::ifstream list(state_file("systems"));
    std::string ns, ip, mac, type, firmware, pid;
    while (list >> ns >> ip >> mac >> type >> firmware >> pid) {
        SimulatedSystem s{ns, ip, {}, type, firmware};
        read_mac(mac, s.mac);
        systems.push_back(s);
    }
    return systems;
}

std::vector<SegmentHost> segment_hosts() {
    std::vector<SegmentHost> hosts;
    std::ifstream list(state_file("hosts"));
    std::string ns, ip, mac;
    while (list >> ns >> ip >> mac) {
        SegmentHost host{ns, ip, {}};
        read_mac(mac, host.mac);
        hosts.push_back(host);
    }
    return hosts;
}

InterfaceRecord segment_interface() {
    for (const InterfaceRecord& nic : list_interfaces())
        if (std::strcmp(nic.device_name, "talvo0") == 0) return nic;
    ADD_FAILURE() << "talvo0 is not listed";
    return InterfaceRecord{};
}

std::string segment_system_log(int system) {
    return file_text(state_file(("sim-" + std::to_string(system) + ".log").c_str()));
}

#include "cli/cli_scan.h"

#include "cli/standard_error.h"
#include "cli/targets.h"
#include "discovery/discovery_scan.h"
#include "discovery/interface_list.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

bool find_interface(const std::string& name, InterfaceRecord* out) {
    int32_t status = 0;
    const std::vector<InterfaceRecord> interfaces = list_interfaces(&status);
    if (status != 0) {
        std::fprintf(stderr, "talvo: the capture library cannot list the network interfaces\n");
        return false;
    }
    for (const InterfaceRecord& nic : interfaces) {
        if (name == nic.device_name || name == nic.description) {
            *out = nic;
            return true;
        }
    }
    std::fprintf(stderr, "talvo: no interface named '%s'; 'talvo interfaces' lists them\n", name.c_str());
    return false;
}

bool scan_segment(const InterfaceRecord& nic, std::vector<SystemRecord>* systems) {
    ScanReport report;
    const ScanSettings settings;
    *systems = distinct_systems(scan_systems(nic, &report, settings, to_standard_error));
    // Answers arrive in any order; a listing that keeps still is easier to compare.
    std::sort(systems->begin(), systems->end(), [](const SystemRecord& a, const SystemRecord& b) {
        const int by_address = std::memcmp(a.ipv4, b.ipv4, 4);
        return by_address != 0 ? by_address < 0 : std::memcmp(system_mac(a), system_mac(b), 6) < 0;
    });
    describe_scan_end(report, settings, to_standard_error);
    if (report.end == ScanEnd::CaptureNotReady) return false;  // said above: nothing was sent
    if (report.end == ScanEnd::CaptureFailed || report.end == ScanEnd::NoThread) {
        std::fprintf(stderr,
                     "talvo: cannot capture on %s (the reason is above); finding systems needs root or "
                     "the cap_net_raw capability\n",
                     nic.device_name);
        return false;
    }
    return true;
}

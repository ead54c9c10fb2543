#include "discovery/address_probe.h"

#include "discovery/silence_reader.h"
#include "wire/arp_frame.h"
#include "wire/pcap_session.h"
#include "wire/raw_send.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

// An ARP frame is 42 bytes (60 padded); the rest of a longer frame is never read.
constexpr int ProbeSnapshotLength = 128;
// Frames taken per read: small enough that the deadline is looked at often.
constexpr int FramesPerRead = 64;

// Resends of a probe wait 1 ms, twice as long each time, at most 2^4 = 16 ms.
constexpr uint32_t LongestResendDoubling = 4;

struct ProbeRun {
    const InterfaceRecord& nic;
    const ProbeSettings& settings;
    std::vector<AddressHolders>& addresses;
};

bool same(const uint8_t* a, const uint8_t* b, size_t length) { return std::memcmp(a, b, length) == 0; }

// Broadcast (the interface list's "unknown") and other group addresses cannot send
// a probe, and all zeros is no address at all.
bool usable_mac(const uint8_t mac[6]) {
    const uint8_t zero[6] = {};
    return (mac[0] & 1) == 0 && !same(mac, zero, 6);
}

void add_holder(AddressHolders& entry, const uint8_t mac[6]) {
    MacAddress holder;
    std::copy(mac, mac + 6, holder.begin());
    if (std::find(entry.holders.begin(), entry.holders.end(), holder) == entry.holders.end())
        entry.holders.push_back(holder);
}

void on_frame(u_char* user, const pcap_pkthdr* header, const u_char* frame) {
    auto& run = *reinterpret_cast<ProbeRun*>(user);
    ArpFields fields;
    if (read_arp_frame(frame, header->caplen, &fields) != ArpRead::Arp) return;
    for (AddressHolders& entry : run.addresses)
        if (claims_address(fields, entry.address, run.nic.mac)) add_holder(entry, fields.sender_mac);
}

// Rounded up, so a wait never ends a millisecond early.
int milliseconds_until(Clock::time_point deadline, Clock::time_point now) {
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - now).count();
    return left <= 0 ? 0 : static_cast<int>((left + 999) / 1000);
}

// Reads every frame that arrives until deadline. false when the capture failed.
bool read_until(pcap_t* handle, Clock::time_point deadline, ProbeRun& run) {
    for (Clock::time_point now = Clock::now(); now < deadline; now = Clock::now()) {
        const int ready = wait_for_frames(handle, milliseconds_until(deadline, now));
        if (ready < 0) return false;
        if (ready > 0 && pcap_dispatch(handle, FramesPerRead, on_frame, reinterpret_cast<u_char*>(&run)) < 0)
            return false;
    }
    return true;
}

// One probe, sent again while the queue is full; answers are read during the waits.
ProbeOutcome send_probe(pcap_t* handle, const Ipv4Address& address, ProbeRun& run) {
    const ArpFrame frame = arp_probe_frame(run.nic.mac, address.data());
    const auto send = [&] { return send_frame(handle, frame.data(), static_cast<int>(frame.size())); };
    const auto wait = [&](uint32_t ms) {
        return read_until(handle, Clock::now() + std::chrono::milliseconds(ms), run);
    };
    switch (send_until_taken(send, wait, run.settings)) {
    case Resent::Sent: return ProbeOutcome::Checked;
    case Resent::GaveUp: return ProbeOutcome::SendFailed;
    case Resent::WaitFailed: return ProbeOutcome::CaptureError;
    }
    return ProbeOutcome::SendFailed;
}

ProbeOutcome send_burst(pcap_t* handle, size_t first, size_t count, ProbeRun& run) {
    for (size_t i = first; i < first + count; ++i) {
        const ProbeOutcome sent = send_probe(handle, run.addresses[i].address, run);
        if (sent != ProbeOutcome::Checked) return sent;
    }
    return ProbeOutcome::Checked;
}

ProbeOutcome check_interface(const InterfaceRecord& nic, const DiagnosticSink& diagnostics) {
    if (nic.device_name[0] == '\0') {
        emit_line(diagnostics, DiagnosticStream::Err, "The interface has no capture device; no address was checked\n");
        return ProbeOutcome::NoDevice;
    }
    if (!usable_mac(nic.mac)) {
        emit_line(diagnostics, DiagnosticStream::Err, "%s has no known MAC address; no address was checked\n",
                  nic.device_name);
        return ProbeOutcome::NoMac;
    }
    return ProbeOutcome::Checked;
}

PcapHandle open_for_probing(const InterfaceRecord& nic, const DiagnosticSink& diagnostics) {
    DeviceOptions options;
    options.snapshot_length = ProbeSnapshotLength;
    options.immediate = true;  // each answer as it arrives: the rounds run on a short clock
    char errbuf[PCAP_ERRBUF_SIZE];
    PcapHandle handle = open_device(nic.device_name, options, errbuf);
    if (handle && pcap_setnonblock(handle.get(), 1, errbuf) != 0) handle.reset();
    if (!handle)
        emit_line(diagnostics, DiagnosticStream::Err, "Unable to open %s for the address check: %s\n",
                  nic.device_name, errbuf);
    return handle;
}

bool filter_to_arp(pcap_t* handle, CompiledFilter& filter, const DiagnosticSink& diagnostics) {
    if (filter.compile(handle, "arp", 0) == 0 && pcap_setfilter(handle, filter.program()) == 0) return true;
    emit_line(diagnostics, DiagnosticStream::Err, "Unable to filter the capture to ARP: %s\n", pcap_geterr(handle));
    return false;
}

void say_failure(ProbeOutcome outcome, pcap_t* handle, const ProbeRun& run, const DiagnosticSink& diagnostics) {
    if (outcome == ProbeOutcome::SendFailed)
        emit_line(diagnostics, DiagnosticStream::Err, "Unable to send an ARP probe on %s: %s\n", run.nic.device_name,
                  pcap_geterr(handle));
    if (outcome == ProbeOutcome::CaptureError)
        emit_line(diagnostics, DiagnosticStream::Err, "Capture error during the address check: %s\n",
                  pcap_geterr(handle));
}

// Bursts at the times the schedule gives, answers read in the pauses. A burst that
// leaves late (a slow wake-up, a full queue) delays all later ones as much, so the
// pauses between bursts and between one address's probes never shrink; the final
// wait runs from the end of the last burst.
ProbeOutcome run_rounds(pcap_t* handle, ProbeRun& run) {
    const ProbeSettings& settings = run.settings;
    const size_t count = run.addresses.size();
    const size_t burst = std::max<uint32_t>(settings.burst_size, 1);
    const uint32_t rounds = std::max<uint32_t>(settings.probe_count, 1);
    const Clock::time_point start = Clock::now();
    Clock::duration late{0};
    for (uint32_t round = 0; round < rounds; ++round) {
        for (size_t first = 0; first < count; first += burst) {
            const Clock::time_point plan =
                start + std::chrono::milliseconds(probe_departure_ms(settings, count, round, first));
            if (!read_until(handle, plan + late, run)) return ProbeOutcome::CaptureError;
            late = Clock::now() - plan;  // no less than before: the wait ran at least to plan + late
            const ProbeOutcome sent = send_burst(handle, first, std::min(burst, count - first), run);
            if (sent != ProbeOutcome::Checked) return sent;
        }
    }
    if (!read_until(handle, Clock::now() + std::chrono::milliseconds(settings.final_wait_ms), run))
        return ProbeOutcome::CaptureError;
    return ProbeOutcome::Checked;
}

}  // namespace

uint64_t probe_departure_ms(const ProbeSettings& settings, size_t address_count, uint32_t round, size_t index) {
    const uint64_t burst = std::max<uint32_t>(settings.burst_size, 1);
    const uint64_t bursts = (address_count + burst - 1) / burst;
    const uint64_t period = std::max<uint64_t>(settings.interval_ms, bursts * settings.burst_gap_ms);
    return round * period + index / burst * settings.burst_gap_ms;
}

Resend resend_after(FrameSend failure, uint32_t send_attempts, uint64_t failing_ms, const ProbeSettings& settings) {
    if (failure != FrameSend::TryAgain || failing_ms >= settings.resend_limit_ms) return Resend{false, 0};
    const uint32_t doublings = std::min<uint32_t>(std::max<uint32_t>(send_attempts, 1) - 1, LongestResendDoubling);
    const uint64_t left = settings.resend_limit_ms - failing_ms;
    return Resend{true, static_cast<uint32_t>(std::min<uint64_t>(1u << doublings, left))};
}

Resent send_until_taken(const std::function<FrameSend()>& send, const std::function<bool(uint32_t ms)>& wait,
                        const ProbeSettings& settings) {
    uint64_t failing_ms = 0;
    for (uint32_t attempts = 1;; ++attempts) {
        const FrameSend sent = send();
        if (sent == FrameSend::Sent) return Resent::Sent;
        const Resend resend = resend_after(sent, attempts, failing_ms, settings);
        if (!resend.again) return Resent::GaveUp;
        if (!wait(resend.wait_ms)) return Resent::WaitFailed;
        failing_ms += resend.wait_ms;
    }
}

bool claims_address(const ArpFields& fields, const Ipv4Address& address, const uint8_t own_mac[6]) {
    // Also the PC's own kernel: the address is never 0.0.0.0, so our probes never match here.
    if (same(fields.sender_ipv4, address.data(), 4)) return true;
    // Our own probes, where a capture sees them leave.
    if (same(fields.sender_mac, own_mac, 6)) return false;
    const uint8_t unclaimed[4] = {};
    return fields.operation == ArpOperation::Request && same(fields.sender_ipv4, unclaimed, 4) &&
           same(fields.target_ipv4, address.data(), 4);
}

ProbeReport probe_addresses(const InterfaceRecord& nic, const std::vector<Ipv4Address>& addresses,
                            const ProbeSettings& settings, const DiagnosticSink& diagnostics) {
    ProbeReport report;
    for (const Ipv4Address& address : addresses) report.addresses.push_back(AddressHolders{address, {}});
    report.outcome = check_interface(nic, diagnostics);
    if (report.outcome != ProbeOutcome::Checked || addresses.empty()) return report;
    PcapHandle handle = open_for_probing(nic, diagnostics);
    if (!handle) {
        report.outcome = ProbeOutcome::OpenFailed;
        return report;
    }
    CompiledFilter filter;
    if (!filter_to_arp(handle.get(), filter, diagnostics)) {
        report.outcome = ProbeOutcome::FilterFailed;
        return report;
    }
    ProbeRun run{nic, settings, report.addresses};
    report.outcome = run_rounds(handle.get(), run);
    say_failure(report.outcome, handle.get(), run, diagnostics);
    return report;
}

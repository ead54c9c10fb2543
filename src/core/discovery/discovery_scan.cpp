#include "discovery/discovery_scan.h"

#include "discovery/capture.h"
#include "discovery/silence_reader.h"
#include "platform/platform.h"
#include "wire/discovery_protocol.h"
#include "wire/frame_sender.h"

#include <chrono>
#include <memory>
#include <system_error>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t ReadyPollMs = 2;

uint32_t milliseconds_until(Clock::time_point when) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(when - Clock::now()).count();
    return left > 0 ? static_cast<uint32_t>(left) : 0;
}

enum class Readiness { Ready, Failed, NeverReady };

// The request must not leave before the capture can take its answers: libpcap drops
// what arrived before the filter was installed, and a system whose answer is lost is
// missing from the list. A capture slow to start (a busy machine) is waited for: past
// ready_wait_ms that is said once, past ready_limit_ms the scan gives up unsent.
Readiness wait_until_ready(const CaptureJob& job, bool* late) {
    const ScanSettings& settings = job.settings;
    const Clock::time_point notice = job.start + std::chrono::milliseconds(settings.ready_wait_ms);
    const Clock::time_point give_up = job.start + std::chrono::milliseconds(settings.ready_limit_ms);
    *late = false;
    while (job.flags.ready->load(std::memory_order_acquire) != 1) {
        if (job.flags.done->load(std::memory_order_acquire) == 1) return Readiness::Failed;
        const Clock::time_point now = Clock::now();
        if (now >= give_up) {
            emit_line(job.diagnostics, DiagnosticStream::Err,
                      "The capture on %s did not start within %u ms; no request was sent\n", job.nic.device_name,
                      settings.ready_limit_ms);
            return Readiness::NeverReady;
        }
        if (now >= notice && !*late) {
            *late = true;
            emit_line(job.diagnostics, DiagnosticStream::Err,
                      "The capture on %s was not ready after %u ms; the request waits for it\n", job.nic.device_name,
                      settings.ready_wait_ms);
        }
        platform::sleep_ms(ReadyPollMs);
    }
    const uint32_t early = milliseconds_until(job.start + std::chrono::milliseconds(settings.request_delay_ms));
    if (early > 0) platform::sleep_ms(early);
    return Readiness::Ready;
}

int64_t steady_now_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

// Tests done on the cadence that began with the scan, so neither the time the request
// took nor the overshoot of each sleep adds up into the wait.
void wait_until_done(const CaptureJob& job) {
    const auto step = std::chrono::milliseconds(job.settings.done_poll_ms);
    Clock::time_point next = job.start + std::chrono::milliseconds(job.settings.request_delay_ms);
    while (job.flags.done->load(std::memory_order_acquire) != 1) {
        next += step;
        while (next < Clock::now()) next += step;
        platform::sleep_ms(milliseconds_until(next));
    }
}

}  // namespace

ScanReport run_scan(const InterfaceRecord& nic, const ScanSettings& settings, const AnswerSink& sink,
                    const DiagnosticSink& diagnostics, ScanFlags flags) {
    std::atomic<int32_t> own_ready{0}, own_done{0};
    if (!flags.ready) flags.ready = &own_ready;
    if (!flags.done) flags.done = &own_done;
    flags.ready->store(0, std::memory_order_relaxed);
    flags.done->store(0, std::memory_order_relaxed);

    CaptureJob job{nic, settings, sink, diagnostics, flags, Clock::now(), {}, {}};
    std::thread capture;
    try {
        capture = std::thread(capture_thread, std::ref(job));
    } catch (const std::system_error&) {
        emit_line(diagnostics, DiagnosticStream::Err, "Unable to start the capture thread\n");
        flags.done->store(1, std::memory_order_release);
        ScanReport report;
        report.end = ScanEnd::NoThread;
        return report;
    }

    bool late = false;
    double sent_ms = -1;
    // Opened now, so the request leaves as soon as the capture is ready; closed once it
    // has, since it would take a copy of every answer too.
    auto sender = std::make_unique<FrameSender>(nic.device_name);
    const Readiness readiness = wait_until_ready(job, &late);
    if (readiness == Readiness::Ready) {
        sent_ms = scan_milliseconds(job);
        sender->send(IdentRequest, nic.mac, BroadcastMac, nic.ipv4, BroadcastIpv4);
        if (settings.sender_return_delay_ms > 0) platform::sleep_ms(settings.sender_return_delay_ms);
        const int64_t sent_ns = steady_now_ns();
        job.request_sent_ns.store(sent_ns, std::memory_order_release);
        sender.reset();
    } else {
        job.request_sent_ns.store(RequestAbandoned, std::memory_order_release);
    }
    wait_until_done(job);
    capture.join();

    ScanReport report = job.report;
    if (readiness == Readiness::NeverReady) report.end = ScanEnd::CaptureNotReady;
    report.capture_late = late;
    report.timing.ident_sent_ms = sent_ms;
    return report;
}

std::vector<SystemRecord> scan_systems(const InterfaceRecord& nic, ScanReport* report,
                                       const ScanSettings& settings, const DiagnosticSink& diagnostics) {
    std::vector<SystemRecord> systems;
    const AnswerSink keep = [&systems](const SystemRecord& record) {
        systems.push_back(record);
        return AnswerStore::Stored;
    };
    const ScanReport result = run_scan(nic, settings, keep, diagnostics);
    if (report) *report = result;
    return systems;
}

void describe_scan_end(const ScanReport& report, const ScanSettings& settings, const DiagnosticSink& diagnostics) {
    const DiagnosticStream out = DiagnosticStream::Out;
    if (report.end == ScanEnd::HardLimit)
        emit_line(diagnostics, out, "The scan was ended %u ms after the request: answers kept arriving\n",
                  settings.hard_limit_ms);
    if (report.over_limit > 0)
        emit_line(diagnostics, out, "%d more answers than the %d a scan keeps were counted, not kept\n",
                  report.over_limit, settings.record_limit);
    if (report.refused > 0)
        emit_line(diagnostics, out, "%d answers were dropped: no Talvo system sends them (forged or broken)\n",
                  report.refused);
}

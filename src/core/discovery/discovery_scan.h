// The discovery scan: one IDENT broadcast on an interface, the answers captured until
// the systems fall silent. No process-wide values: a scan takes its interface and
// settings, and hands each answer to the store it is given.
#pragma once

#include "diagnostics/diagnostic_sink.h"
#include "discovery/interface_record.h"
#include "discovery/scan_timing.h"
#include "discovery/system_record.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

struct ScanSettings {
    uint32_t request_delay_ms = 100;   // the request leaves no earlier than this after the start
    uint32_t ready_wait_ms = 2000;     // a capture not ready this long is reported; the request waits on
    uint32_t ready_limit_ms = 10000;   // a capture not ready this long ends the scan: no request is sent
    uint32_t silence_ms = 2000;        // the capture ends this long after the request or last answer
    uint32_t hard_limit_ms = 10000;    // and at the latest this long after the request
    uint32_t done_poll_ms = 100;       // how often the scan looks whether the capture ended
    uint32_t capture_open_delay_ms = 0;  // a capture that is slow to start (tests)
    uint32_t sender_return_delay_ms = 0;  // the sender returns this long after the request left (tests)
    int32_t record_limit = ScanRecordLimit;
};

enum class ScanEnd {
    Silence,        // the answers stopped
    HardLimit,      // answers kept coming until the hard limit
    CaptureFailed,  // the interface could not be opened or filtered: nothing was sent
    CaptureNotReady,  // the capture was not ready within ready_limit_ms: nothing was sent
    NoThread,       // the capture thread could not be started: nothing was sent
};

struct ScanReport {
    ScanEnd end = ScanEnd::Silence;
    bool capture_late = false;  // not ready within ready_wait_ms; the request waited for it
    int32_t answers = 0;        // answers read, stored or not
    int32_t stored = 0;
    int32_t over_limit = 0;     // answers past record_limit, or refused by a full store
    int32_t failed = 0;         // answers the store could not take
    int32_t refused = 0;        // forged or broken answers, dropped
    ScanTiming timing = NoScanTiming;
};

// Takes one answer's record on the capture thread.
using AnswerSink = std::function<AnswerStore(const SystemRecord&)>;

// The two flags that order a scan's threads; each is set once to 1 by the capture
// thread (release) and read by the scan thread (acquire).
struct ScanFlags {
    std::atomic<int32_t>* ready;  // the capture is open and filtered
    std::atomic<int32_t>* done;   // the capture ended; its writes are visible
};

// Runs one whole scan on nic and returns when it has ended: starts the capture thread,
// waits until the capture is ready (at least request_delay_ms; past ready_wait_ms it
// says so, past ready_limit_ms it gives up without sending), sends the IDENT request,
// and waits for the capture to end. Answers go to sink, at most record_limit of them;
// what went wrong (the interface could not be opened, ...) to diagnostics as Err
// lines. flags may be left null: the scan then uses its own.
ScanReport run_scan(const InterfaceRecord& nic, const ScanSettings& settings, const AnswerSink& sink,
                    const DiagnosticSink& diagnostics = {}, ScanFlags flags = {nullptr, nullptr});

// The systems that answered one scan on nic, in the order their answers arrived.
std::vector<SystemRecord> scan_systems(const InterfaceRecord& nic, ScanReport* report = nullptr,
                                       const ScanSettings& settings = {}, const DiagnosticSink& diagnostics = {});

// One Out line for each thing the user should know of a scan that ended: the hard
// limit, answers past the limit, answers dropped. Nothing for an ordinary scan.
void describe_scan_end(const ScanReport& report, const ScanSettings& settings, const DiagnosticSink& diagnostics);

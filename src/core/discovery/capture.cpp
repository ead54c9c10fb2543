#include "discovery/capture.h"

#include "discovery/discovery_frame.h"
#include "discovery/silence_reader.h"
#include "platform/platform.h"
#include "wire/pcap_session.h"

#include <chrono>
#include <cstdio>

namespace {

int64_t microseconds_since(const timeval& arrival) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const int64_t now_us = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
    return now_us - (static_cast<int64_t>(arrival.tv_sec) * 1000000 + arrival.tv_usec);
}

void store_answer(CaptureJob& job, const SystemRecord& record) {
    ScanReport& report = job.report;
    ++report.answers;
    if (report.stored >= job.settings.record_limit) {
        ++report.over_limit;
        return;
    }
    switch (job.sink(record)) {
    case AnswerStore::Stored: ++report.stored; break;
    case AnswerStore::Full: ++report.over_limit; break;
    case AnswerStore::Failed: ++report.failed; break;
    }
}

// Every frame that passed the filter; only answers restart the silence.
bool on_frame(void* user, const pcap_pkthdr* header, const u_char* frame) {
    auto& job = *static_cast<CaptureJob*>(user);
    ScanTiming& timing = job.report.timing;
    const int64_t delay = microseconds_since(header->ts);
    if (delay > timing.max_handover_delay_us) timing.max_handover_delay_us = delay;
    ++timing.frames;
    timing.last_frame_ms = scan_milliseconds(job);

    SystemRecord record;
    switch (read_answer_frame(frame, header->caplen, job.nic.ipv4, &record, header->len)) {
    case FrameKind::Answer:
        store_answer(job, record);
        timing.last_answer_ms = timing.last_frame_ms;
        return true;
    case FrameKind::Refused: ++job.report.refused; return false;
    case FrameKind::Other: return false;
    }
    return false;
}

// Only answers addressed to this interface, or every IPv4 UDP frame when it has no address.
void format_filter(const InterfaceRecord& nic, char* out, size_t out_size) {
    if (nic.ip_text[0] != '\0')
        std::snprintf(out, out_size, "ip dst %s and ip and udp", nic.ip_text);
    else
        std::snprintf(out, out_size, "ip and udp");
}

PcapHandle open_for_capture(const InterfaceRecord& nic, const DiagnosticSink& diagnostics) {
    DeviceOptions options;
    options.read_timeout_ms = 2000;
    options.immediate = true;
    // Every system answers the broadcast at once, and on a busy machine the answers
    // wait in the buffer until they are read. In immediate mode the library gives each
    // frame a slot of the buffer as large as the snapshot (on an interface with offloads:
    // 64 KiB slots for 65536 bytes, so 16 MB held 256 answers of 1000, measured on a
    // veth). Keeping only the bytes an answer is read for, 4 MB hold about 3000.
    options.snapshot_length = static_cast<int>(AnswerSnapshotLength);
    options.buffer_bytes = 4 * 1024 * 1024;
    char errbuf[PCAP_ERRBUF_SIZE];
    PcapHandle handle = open_device(nic.device_name, options, errbuf);
    if (handle && pcap_setnonblock(handle.get(), 1, errbuf) != 0) handle.reset();
    if (!handle) emit_line(diagnostics, DiagnosticStream::Err, "%s\n", errbuf);
    return handle;
}

bool install_filter(pcap_t* handle, const InterfaceRecord& nic, CompiledFilter& filter,
                    const DiagnosticSink& diagnostics) {
    char text[255];
    format_filter(nic, text, sizeof text);
    if (filter.compile(handle, text, 0xFFFFFF) != 0) {
        emit_line(diagnostics, DiagnosticStream::Err, "\nUnable to compile the packet filter. Check the syntax.\n");
        return false;
    }
    if (pcap_setfilter(handle, filter.program()) != 0) {
        emit_line(diagnostics, DiagnosticStream::Err, "\nError setting the filter.\n");
        return false;
    }
    return true;
}

}  // namespace

double scan_milliseconds(const CaptureJob& job) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - job.start).count();
}

int32_t capture_loop(CaptureJob& job) {
    if (job.nic.device_name[0] == '\0') return -1;
    if (job.settings.capture_open_delay_ms > 0) platform::sleep_ms(job.settings.capture_open_delay_ms);
    PcapHandle handle = open_for_capture(job.nic, job.diagnostics);
    if (!handle) return -1;
    CompiledFilter filter;
    if (!install_filter(handle.get(), job.nic, filter, job.diagnostics)) return -1;

    // Frames that came before the filter are gone; the request waits for this.
    job.report.timing.capture_ready_ms = scan_milliseconds(job);
    job.flags.ready->store(1, std::memory_order_release);
    const ReadingRules rules{job.settings.silence_ms, job.settings.hard_limit_ms, &job.request_sent_ns};
    const ReadEnd end = read_until_silence(handle.get(), rules, on_frame, &job);
    if (end == ReadEnd::HardLimit) job.report.end = ScanEnd::HardLimit;
    if (end == ReadEnd::Error)
        emit_line(job.diagnostics, DiagnosticStream::Err, "Capture error: %s\n", pcap_geterr(handle.get()));
    return 0;
}

void capture_thread(CaptureJob& job) {
    if (capture_loop(job) != 0) job.report.end = ScanEnd::CaptureFailed;
    job.report.timing.capture_end_ms = scan_milliseconds(job);
    job.flags.done->store(1, std::memory_order_release);
}

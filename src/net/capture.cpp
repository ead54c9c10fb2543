#include "net/capture.h"

#include "net/chosen_interface.h"
#include "net/discovery_frame.h"
#include "net/pcap_session.h"
#include "net/scan_timing.h"
#include "net/silence_reader.h"

#include <chrono>
#include <cstdio>

std::atomic<int32_t> CaptureDone{0};

namespace {

int64_t microseconds_since(const timeval& arrival) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const int64_t now_us = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
    return now_us - (static_cast<int64_t>(arrival.tv_sec) * 1000000 + arrival.tv_usec);
}

void on_frame(u_char*, const pcap_pkthdr* header, const u_char* frame) {
    const int64_t delay = microseconds_since(header->ts);
    if (delay > LastScanTiming.max_handover_delay_us) LastScanTiming.max_handover_delay_us = delay;
    handle_discovery_frame(frame, header->caplen);
    ++LastScanTiming.frames;
    LastScanTiming.last_frame_ms = scan_clock_ms();
}

// Only answers addressed to this interface, or every IPv4 UDP frame when it has no address.
void format_filter(const InterfaceRecord& nic, char* out, size_t out_size) {
    if (nic.ip_text[0] != '\0')
        std::snprintf(out, out_size, "ip dst %s and ip and udp", nic.ip_text);
    else
        std::snprintf(out, out_size, "ip and udp");
}

PcapHandle open_for_capture(const InterfaceRecord& nic) {
    DeviceOptions options;
    options.read_timeout_ms = CaptureSilenceMs;
    options.immediate = true;
    // Every system answers the broadcast at once. With immediate mode on an interface
    // with offloads, the library gives each frame a 64 KiB slot of this buffer, so its
    // 2 MB default holds only about 32 answers and drops the rest: room for 256.
    options.buffer_bytes = 16 * 1024 * 1024;
    char errbuf[PCAP_ERRBUF_SIZE];
    PcapHandle handle = open_device(nic.device_name, options, errbuf);
    if (handle && pcap_setnonblock(handle.get(), 1, errbuf) != 0) handle.reset();
    if (!handle) std::fprintf(stderr, "%s\n", errbuf);
    return handle;
}

}  // namespace

int32_t capture_loop() {
    const InterfaceRecord* nic = chosen_interface();
    if (nic == nullptr) return -1;
    PcapHandle handle = open_for_capture(*nic);
    if (!handle) return -1;

    char text[255];
    format_filter(*nic, text, sizeof text);
    CompiledFilter filter;
    if (filter.compile(handle.get(), text, 0xFFFFFF) != 0) {
        std::fprintf(stderr, "\nUnable to compile the packet filter. Check the syntax.\n");
        return -1;
    }
    if (pcap_setfilter(handle.get(), filter.program()) != 0) {
        std::fprintf(stderr, "\nError setting the filter.\n");
        return -1;
    }
    read_until_silence(handle.get(), CaptureSilenceMs, on_frame, nullptr);
    return 0;
}

int32_t capture_thread() {
    capture_loop();
    LastScanTiming.capture_end_ms = scan_clock_ms();
    CaptureDone.store(1, std::memory_order_release);
    return 0;
}

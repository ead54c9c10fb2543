#include "wire/pcap_session.h"

#include <algorithm>
#include <cstdio>

#ifdef _WIN32
#include "wire/pcap_immediate_win.h"
#endif

namespace {

#ifndef _WIN32
bool enable_immediate_mode(pcap_t* handle) {
    return pcap_set_immediate_mode(handle, 1) == 0;
}
#endif

// pcap_create leaves its errors in errbuf, pcap_activate in the handle.
bool configure_and_activate(pcap_t* handle, const DeviceOptions& options, char* errbuf) {
    pcap_set_snaplen(handle, options.snapshot_length);
    pcap_set_promisc(handle, options.promiscuous ? 1 : 0);
    int timeout_ms = options.read_timeout_ms;
    // Without immediate mode a frame is handed over only when the read time-out ends.
    if (options.immediate && !enable_immediate_mode(handle))
        timeout_ms = std::min(timeout_ms, FallbackReadTimeoutMs);
    pcap_set_timeout(handle, timeout_ms);
    if (options.buffer_bytes > 0) pcap_set_buffer_size(handle, options.buffer_bytes);
    // Warnings (> 0), such as promiscuous mode not supported, still leave a usable handle.
    const int status = pcap_activate(handle);
    if (status >= 0) return true;
    const char* text = pcap_geterr(handle);
    std::snprintf(errbuf, PCAP_ERRBUF_SIZE, "%s", text[0] != '\0' ? text : pcap_statustostr(status));
    return false;
}

}  // namespace

PcapHandle open_device(const char* device_name, const DeviceOptions& options, char* errbuf) {
    errbuf[0] = '\0';
    PcapHandle handle(pcap_create(device_name, errbuf));
    if (!handle || !configure_and_activate(handle.get(), options, errbuf)) return PcapHandle();
    return handle;
}

CompiledFilter::~CompiledFilter() {
    if (compiled_) pcap_freecode(&program_);
}

int CompiledFilter::compile(pcap_t* handle, const char* text, bpf_u_int32 netmask) {
    if (compiled_) {
        pcap_freecode(&program_);
        compiled_ = false;
    }
    if (pcap_compile(handle, &program_, text, 1, netmask) != 0) return -1;
    compiled_ = true;
    return 0;
}

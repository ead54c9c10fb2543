// Owning wrappers for the capture library's handles, so every path that opened a
// device or compiled a filter also releases it.
#pragma once

#include <pcap/pcap.h>

#include <memory>

struct PcapCloser {
    void operator()(pcap_t* handle) const { pcap_close(handle); }
};
using PcapHandle = std::unique_ptr<pcap_t, PcapCloser>;

constexpr int FallbackReadTimeoutMs = 10;

struct DeviceOptions {
    int snapshot_length = 65536;
    bool promiscuous = true;
    int read_timeout_ms = 1000;
    // Hands each frame over as it arrives instead of when the kernel's block timer fires.
    // Where the library cannot (wine's wpcap.dll), the read time-out is cut to
    // FallbackReadTimeoutMs instead, which delays each frame by at most that much.
    bool immediate = false;
    // Kernel buffer for frames not yet read; 0 keeps the library's default.
    int buffer_bytes = 0;
};

// Opens and activates device_name. On failure returns an empty handle and leaves the
// library's error text in errbuf (PCAP_ERRBUF_SIZE bytes).
PcapHandle open_device(const char* device_name, const DeviceOptions& options, char* errbuf);

// A compiled filter program, freed with its owner.
class CompiledFilter {
public:
    CompiledFilter() = default;
    CompiledFilter(const CompiledFilter&) = delete;
    CompiledFilter& operator=(const CompiledFilter&) = delete;
    ~CompiledFilter();

    // 0 when text compiled (optimised, with the given netmask), -1 otherwise.
    int compile(pcap_t* handle, const char* text, bpf_u_int32 netmask);
    bpf_program* program() { return &program_; }

private:
    bpf_program program_{};
    bool compiled_ = false;
};

// Records what a program sends on one interface, to compare two builds of it byte for
// byte: every Discovery Protocol frame (UDP to port 8989) as one hex line of
// OUT/discovery.hex, and the byte stream of every TCP connection to port 5555 (the
// Device Service requests) as OUT/soap-N.bin, N counting connections from 1.
//   wire_recorder INTERFACE OUT MAX_SECONDS
// Prints "recording" once capturing; stops at SIGTERM or SIGINT, or after MAX_SECONDS.
#include <pcap/pcap.h>
#include <poll.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

std::atomic<bool> Stop{false};

void on_signal(int) { Stop.store(true); }

struct Stream {
    bool has_start = false;
    uint32_t start = 0;                               // sequence number of the first byte
    std::map<uint32_t, std::vector<unsigned char>> pieces;  // by offset from start
};

struct Recording {
    std::vector<std::string> discovery;
    std::vector<uint16_t> order;  // client ports in the order their connections began
    std::map<uint16_t, Stream> streams;
};

uint32_t be32(const unsigned char* p) { return (uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }
uint16_t be16(const unsigned char* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

void on_frame(u_char* user, const pcap_pkthdr* header, const u_char* frame) {
    auto& rec = *reinterpret_cast<Recording*>(user);
    const size_t n = header->caplen;
    if (n < 34 || be16(frame + 12) != 0x0800) return;
    const size_t ip_length = 4u * (frame[14] & 0x0F);
    const size_t l4 = 14 + ip_length;
    const size_t total = 14 + be16(frame + 16);  // without the padding of short frames
    if (frame[23] == 17 && n >= l4 + 8) {
        std::string hex;
        char two[3];
        for (size_t i = 0; i < total && i < n; ++i) {
            std::snprintf(two, sizeof two, "%02x", frame[i]);
            hex += two;
        }
        rec.discovery.push_back(hex);
    } else if (frame[23] == 6 && n >= l4 + 20) {
        const uint16_t port = be16(frame + l4);
        const uint32_t seq = be32(frame + l4 + 4);
        const bool syn = (frame[l4 + 13] & 0x02) != 0;
        const size_t data = l4 + 4u * (frame[l4 + 12] >> 4);
        if (!rec.streams.count(port)) rec.order.push_back(port);
        Stream& s = rec.streams[port];
        if (syn) {
            s.has_start = true;
            s.start = seq + 1;
        }
        if (!s.has_start || data >= total || data >= n) return;
        const size_t end = total < n ? total : n;
        s.pieces.emplace(seq - s.start, std::vector<unsigned char>(frame + data, frame + end));
    }
}

// The stream's bytes in order; a retransmitted piece adds only what it has beyond.
std::vector<unsigned char> assemble(const Stream& s) {
    std::vector<unsigned char> out;
    for (const auto& [offset, bytes] : s.pieces) {
        if (offset > out.size()) break;  // a hole: the rest was not seen
        const size_t skip = out.size() - offset;
        if (skip < bytes.size()) out.insert(out.end(), bytes.begin() + skip, bytes.end());
    }
    return out;
}

bool write_file(const std::string& path, const void* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: wire_recorder INTERFACE OUT MAX_SECONDS\n");
        return 2;
    }
    const std::string out = argv[2];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[3]));
    char errbuf[PCAP_ERRBUF_SIZE];
    pcap_t* handle = pcap_create(argv[1], errbuf);
    if (!handle) {
        std::fprintf(stderr, "wire_recorder: %s\n", errbuf);
        return 1;
    }
    pcap_set_snaplen(handle, 262144);
    pcap_set_immediate_mode(handle, 1);
    pcap_set_buffer_size(handle, 32 * 1024 * 1024);
    bpf_program filter{};
    if (pcap_activate(handle) < 0 || pcap_setdirection(handle, PCAP_D_OUT) != 0 ||
        pcap_compile(handle, &filter, "(udp dst port 8989) or (tcp dst port 5555)", 1, PCAP_NETMASK_UNKNOWN) != 0 ||
        pcap_setfilter(handle, &filter) != 0 || pcap_setnonblock(handle, 1, errbuf) != 0) {
        std::fprintf(stderr, "wire_recorder: %s\n", pcap_geterr(handle));
        return 1;
    }
    pcap_freecode(&filter);
    std::signal(SIGTERM, on_signal);
    std::signal(SIGINT, on_signal);
    std::printf("recording\n");
    std::fflush(stdout);

    Recording rec;
    pollfd waiting{pcap_get_selectable_fd(handle), POLLIN, 0};
    while (!Stop.load() && std::chrono::steady_clock::now() < deadline) {
        poll(&waiting, 1, 100);
        if (pcap_dispatch(handle, -1, on_frame, reinterpret_cast<u_char*>(&rec)) < 0) break;
    }
    pcap_dispatch(handle, -1, on_frame, reinterpret_cast<u_char*>(&rec));  // what is still queued
    pcap_close(handle);

    std::string lines;
    for (const std::string& line : rec.discovery) lines += line + "\n";
    bool ok = write_file(out + "/discovery.hex", lines.data(), lines.size());
    int n = 0;
    for (uint16_t port : rec.order) {
        const std::vector<unsigned char> bytes = assemble(rec.streams[port]);
        ok = write_file(out + "/soap-" + std::to_string(++n) + ".bin", bytes.data(), bytes.size()) && ok;
    }
    return ok ? 0 : 1;
}

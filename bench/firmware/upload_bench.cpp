// firmware-upload-bench: the upload rate of the real update sequence and the tool's
// peak resident memory, for files of several sizes, beside a floor: the same
// request/reply exchange done on a plain TCP socket with the request bytes prepared
// in advance. Not a test; bench/run_upload_bench.sh runs it inside the PC namespace of
// a virtual segment and appends its Markdown table to bench/firmware_results.md.
//
//   firmware-upload-bench --address A.B.C.D --sim-pid PID [--sizes 1,16,64] [--runs 3]
//
// Each size is measured against two peers:
// - the simulated system at --address (talvo-sim, whose CPU time is read from /proc);
// - a discard-only peer inside this program on 127.0.0.1:5555, which reads each request
//   to its end tag without decoding it and answers with a prepared reply: what the
//   client and the kernel alone allow.
// The tool's runs are separate processes (this program with "tool ..."), each one
// run_firmware_update without the SD board step and without the wait after the reboot;
// the upload time is from UpdateStatus 3 to 4 (all chunks sent and answered).
//
// The request bytes of the floor are captured once per file from the real client
// talking to the discard-only peer: reset, every chunk, and the closing call.
#include "core_link/update_seams.h"
#include "core_link/update_sequence.h"
#include "core_link/update_status.h"
#include "device_operations.h"
#include "reply_writer.h"
#include "toolkit/resource_path.h"
#include "update/device_calls.h"
#include "update/device_connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using talvo_sim::Operation;

constexpr size_t Chunk = 65535;
constexpr double MiB = 1024.0 * 1024.0;
const char* const EndTag = "</SOAP-ENV:Envelope>";
const size_t EndTagLength = std::strlen(EndTag);

double seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

long status_kb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const size_t n = std::strlen(field);
    while (std::getline(in, line))
        if (line.compare(0, n, field) == 0) return std::strtol(line.c_str() + n + 1, nullptr, 10);
    return -1;
}

// utime + stime of a whole process (exited threads included), in seconds.
double process_cpu_seconds(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    std::getline(in, stat);
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(stat.substr(close + 2));
    std::string f;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && (fields >> f); ++i) {
        if (i == 14) utime = std::stoull(f);
        if (i == 15) stime = std::stoull(f);
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

bool send_all(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Reads one message up to and including EndTag; bytes after it stay in `pending`.
// head/tail get the message's first and last 600 bytes; all of it goes to `whole` if
// given. Each received byte is looked at once (the search) and copied only for `whole`.
bool read_message(int fd, std::string& pending, std::string* head, std::string* tail, std::string* whole) {
    static thread_local std::vector<char> buffer(1 << 20);
    if (head) head->clear();
    if (tail) tail->clear();
    if (whole) whole->clear();
    std::string carry;  // the message's last EndTagLength - 1 bytes so far
    std::string first = pending;
    pending.clear();
    for (bool from_pending = !first.empty();; from_pending = false) {
        const char* b;
        size_t n;
        if (from_pending) {
            b = first.data();
            n = first.size();
        } else {
            const ssize_t got = recv(fd, buffer.data(), buffer.size(), 0);
            if (got <= 0) return false;
            b = buffer.data();
            n = static_cast<size_t>(got);
        }
        size_t keep = n;
        bool found = false;
        const std::string edge = carry + std::string(b, std::min(n, EndTagLength - 1));
        if (const size_t at = edge.find(EndTag); at != std::string::npos) {
            keep = at + EndTagLength - carry.size();
            found = true;
        } else if (const void* p = memmem(b, n, EndTag, EndTagLength)) {
            keep = static_cast<size_t>(static_cast<const char*>(p) - b) + EndTagLength;
            found = true;
        }
        if (head && head->size() < 600) head->append(b, std::min(keep, 600 - head->size()));
        if (tail) {
            if (keep >= 600) tail->assign(b + keep - 600, 600);
            else {
                tail->append(b, keep);
                if (tail->size() > 600) tail->erase(0, tail->size() - 600);
            }
        }
        if (whole) whole->append(b, keep);
        if (found) {
            pending.assign(b + keep, n - keep);
            return true;
        }
        carry.append(b, n);
        if (carry.size() > EndTagLength - 1) carry.erase(0, carry.size() - (EndTagLength - 1));
    }
}

// The discard-only peer on 127.0.0.1:5555: one connection at a time, prepared replies,
// a pending upload tracked as a system does (an empty upload is refused).
class DiscardPeer {
public:
    bool start() {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        const int on = 1;
        setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(5555);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listener_, 4) != 0) return false;
        thread_ = std::thread([this] { serve(); });
        return true;
    }
    ~DiscardPeer() {
        shutdown(listener_, SHUT_RDWR);
        close(listener_);
        if (thread_.joinable()) thread_.join();
    }
    // While recording, each request's bytes are kept in order.
    void record(std::vector<std::string>* into) { recording_ = into; }

private:
    void serve() {
        const std::string module = talvo_sim::byte_array_reply(Operation::GetModuleType, 0, 0, "TLV-100");
        const std::string ok = talvo_sim::byte_array_reply(Operation::FirmwareUpdate, 0, 0, "");
        const std::string refused = talvo_sim::byte_array_reply(Operation::FirmwareUpdate, 1, 0, "nothing to install");
        const std::string rebooting = talvo_sim::response_reply(0, 0);
        for (;;) {
            const int fd = accept(listener_, nullptr, nullptr);
            if (fd < 0) return;
            bool pending_upload = false;
            std::string pending, head, tail, whole;
            for (;;) {
                std::vector<std::string>* rec = recording_;
                if (!read_message(fd, pending, &head, &tail, rec ? &whole : nullptr)) break;
                if (rec) rec->push_back(std::move(whole));
                const std::string* answer = &ok;
                if (head.find("GetModuleType") != std::string::npos) {
                    answer = &module;
                } else if (head.find("ForceReboot") != std::string::npos) {
                    answer = &rebooting;
                } else if (tail.find("<ulEOF>1<") != std::string::npos) {
                    answer = pending_upload ? &ok : &refused;
                    pending_upload = false;
                } else {
                    pending_upload = true;
                }
                if (!send_all(fd, answer->data(), answer->size())) break;
            }
            close(fd);
        }
    }

    int listener_ = -1;
    std::thread thread_;
    std::atomic<std::vector<std::string>*> recording_{nullptr};
};

int connect_to(const std::string& address) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(5555);
    inet_pton(AF_INET, address.c_str(), &a.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    const int on = 1;  // as the SOAP runtime sets it
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

// Waits (bounded) until the Device Service at address accepts connections again.
bool wait_for_service(const std::string& address, double limit_s) {
    const auto end = Clock::now() + std::chrono::duration<double>(limit_s);
    while (Clock::now() < end) {
        const int fd = connect_to(address);
        if (fd >= 0) {
            close(fd);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// The real client's requests for the file: reset, each chunk, the closing call.
bool capture_requests(DiscardPeer& peer, const std::string& path, std::vector<std::string>* requests) {
    requests->clear();
    peer.record(requests);
    bool ok = false;
    {
        DeviceConnection c;
        if (c.open("127.0.0.1") == 0) {
            DeviceReply reply;
            ok = call_firmware_update_empty(c, 1, reply) == 0 && reply.iReturnValue != 0;
            std::FILE* f = std::fopen(path.c_str(), "rb");
            std::vector<unsigned char> buffer(Chunk);
            size_t n;
            while (ok && f && (n = std::fread(buffer.data(), 1, Chunk, f)) > 0) {
                void* copy = TakeChunkMemory(c.context(), n);
                std::memcpy(copy, buffer.data(), n);
                ok = call_firmware_update(c, static_cast<unsigned char*>(copy), int(n), 0, reply) == 0 &&
                     reply.iReturnValue == 0;
            }
            if (f) std::fclose(f);
            ok = ok && f && call_firmware_update(c, nullptr, 0, 1, reply) == 0 && reply.iReturnValue == 0;
        }
    }
    // The peer has answered the closing call before the client returned from it.
    peer.record(nullptr);
    return ok;
}

struct FloorRun {
    bool ok = false;
    double upload_s = 0;
};

// The same exchange on a plain socket: prepared bytes sent, each reply read whole.
FloorRun floor_run(const std::string& address, const std::vector<std::string>& requests) {
    FloorRun r;
    const int fd = connect_to(address);
    if (fd < 0) return r;
    std::string pending;
    bool ok = send_all(fd, requests[0].data(), requests[0].size()) &&
              read_message(fd, pending, nullptr, nullptr, nullptr);
    const auto start = Clock::now();
    for (size_t i = 1; ok && i + 1 < requests.size(); ++i)
        ok = send_all(fd, requests[i].data(), requests[i].size()) &&
             read_message(fd, pending, nullptr, nullptr, nullptr);
    r.upload_s = seconds(start, Clock::now());
    ok = ok && send_all(fd, requests.back().data(), requests.back().size()) &&
         read_message(fd, pending, nullptr, nullptr, nullptr);
    close(fd);
    r.ok = ok;
    return r;
}

struct ToolRun {
    bool ok = false;
    double upload_s = 0;
    double cpu_s = 0;
    long growth_kb = 0;
    long peak_kb = 0;
};

// One run of the tool in a fresh process: this program with "tool".
ToolRun tool_run(const std::string& self, const std::string& dir, const std::string& name, const std::string& address) {
    ToolRun r;
    int out[2];
    if (pipe(out) != 0) return r;
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
        execl(self.c_str(), self.c_str(), "tool", dir.c_str(), name.c_str(), address.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    const size_t at = text.find("RESULT ");
    if (at == std::string::npos) {
        std::fprintf(stderr, "tool run gave no result:\n%s\n", text.c_str());
        return r;
    }
    int result = -100;
    std::sscanf(text.c_str() + at, "RESULT %d %lf %lf %ld %ld", &result, &r.upload_s, &r.cpu_s, &r.growth_kb, &r.peak_kb);
    r.ok = result == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!r.ok) std::fprintf(stderr, "tool run failed (%d):\n%s\n", result, text.c_str());
    return r;
}

// The child: run_firmware_update as the update thread calls it, timed by UpdateStatus.
int tool_main(const char* dir, const char* name, const char* address) {
    std::snprintf(ResourceDir, sizeof ResourceDir, "%s", dir);
    RebootWaitMs = 0;
    char path[256];
    std::snprintf(path, sizeof path, "%s/firmware/%s", dir, name);

    std::atomic<bool> done{false};
    Clock::time_point at3{}, at4{};
    std::thread watcher([&] {
        bool seen3 = false;
        for (;;) {
            const bool last_look = done.load();
            const int32_t s = UpdateStatus.load(std::memory_order_acquire);
            if (!seen3 && s >= 3) { at3 = Clock::now(); seen3 = true; }
            if (s >= 4) { at4 = Clock::now(); return; }
            if (last_look) return;
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the watcher is up
    {
        std::ofstream clear("/proc/self/clear_refs");
        clear << "5";  // resets the peak resident size to the current one
    }
    const long before_kb = status_kb("VmRSS:");
    UpdateStatus.store(1);
    const int32_t result = run_firmware_update(name, path, address);
    done = true;
    watcher.join();
    const long peak_kb = status_kb("VmHWM:");
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + 1e-6 * (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    std::fflush(stdout);
    const bool timed = at3 != Clock::time_point{} && at4 != Clock::time_point{};
    std::printf("RESULT %d %.6f %.4f %ld %ld\n", timed ? result : -100, seconds(at3, at4), cpu, peak_kb - before_kb, peak_kb);
    return result == 0 ? 0 : 1;
}

void write_firmware(const std::string& path, size_t size, unsigned seed) {
    std::vector<unsigned char> bytes(size);
    const std::string header = "TALVOFW bench-" + std::to_string(size) + "\n";
    std::memcpy(bytes.data(), header.data(), std::min(size, header.size()));
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = header.size(); i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        bytes[i] = static_cast<unsigned char>(x);
    }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

std::vector<int> parse_sizes(const std::string& text) {
    std::vector<int> sizes;
    std::istringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) sizes.push_back(std::atoi(item.c_str()));
    return sizes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "tool") return tool_main(argv[2], argv[3], argv[4]);

    std::string address, sizes_text = "1,16,64";
    int sim_pid = 0, runs = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string o = argv[i];
        if (o == "--address") address = argv[i + 1];
        else if (o == "--sim-pid") sim_pid = std::atoi(argv[i + 1]);
        else if (o == "--sizes") sizes_text = argv[i + 1];
        else if (o == "--runs") runs = std::atoi(argv[i + 1]);
    }
    if (address.empty() || sim_pid <= 0 || runs < 1) {
        std::fprintf(stderr, "usage: firmware-upload-bench --address A.B.C.D --sim-pid PID [--sizes 1,16,64] [--runs 3]\n");
        return 2;
    }
    char self[4096];
    const ssize_t self_n = readlink("/proc/self/exe", self, sizeof self - 1);
    self[self_n > 0 ? self_n : 0] = '\0';
    char dir_template[] = "/tmp/perabo-upload-XXXXXX";
    const char* dir = mkdtemp(dir_template);
    if (!dir) return 1;
    const std::string firmware_dir = std::string(dir) + "/firmware";
    mkdir(firmware_dir.c_str(), 0755);

    DiscardPeer peer;
    if (!peer.start()) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:5555\n");
        return 1;
    }

    std::printf("| file | peer | tool MB/s | floor MB/s | tool / floor | tool CPU s | peer CPU s / upload s | tool peak growth MB (peak RSS MB) |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    int failures = 0;
    for (const int mb : parse_sizes(sizes_text)) {
        const size_t size = static_cast<size_t>(mb) * 1024 * 1024;
        const std::string name = "bench-" + std::to_string(mb) + "MB.firm";
        write_firmware(firmware_dir + "/" + name, size, static_cast<unsigned>(mb));
        std::vector<std::string> requests;
        if (!capture_requests(peer, firmware_dir + "/" + name, &requests) ||
            requests.size() != 2 + (size + Chunk - 1) / Chunk) {
            std::fprintf(stderr, "capturing the requests of %s failed (%zu requests)\n", name.c_str(), requests.size());
            return 1;
        }
        size_t request_bytes = 0;
        for (const auto& q : requests) request_bytes += q.size();

        for (const bool to_sim : {true, false}) {
            const std::string target = to_sim ? address : "127.0.0.1";
            std::vector<double> tool_rate, floor_rate, tool_cpu, sim_share;
            long growth = 0, peak = 0;
            for (int r = 0; r < runs; ++r) {
                if (to_sim && !wait_for_service(address, 30)) { ++failures; break; }
                const double sim_before = process_cpu_seconds(sim_pid);
                const FloorRun f = floor_run(target, requests);
                const double sim_floor = process_cpu_seconds(sim_pid) - sim_before;
                const double sim_before_tool = process_cpu_seconds(sim_pid);
                const ToolRun t = tool_run(self, dir, name, target);
                const double sim_tool = process_cpu_seconds(sim_pid) - sim_before_tool;
                if (!f.ok || !t.ok) { ++failures; continue; }
                floor_rate.push_back(size / MiB / f.upload_s);
                tool_rate.push_back(size / MiB / t.upload_s);
                tool_cpu.push_back(t.cpu_s);
                if (to_sim) sim_share.push_back(sim_tool / t.upload_s);
                std::fprintf(stderr, "%s %s run %d: tool %.1f MB/s, floor %.1f MB/s, sim CPU %.3f s (floor run %.3f s)\n",
                             name.c_str(), to_sim ? "sim" : "discard", r + 1, tool_rate.back(), floor_rate.back(),
                             sim_tool, sim_floor);
                growth = std::max(growth, t.growth_kb);
                peak = std::max(peak, t.peak_kb);
            }
            if (tool_rate.empty()) continue;
            char share[32] = "-";
            if (to_sim) std::snprintf(share, sizeof share, "%.2f", median(sim_share));
            std::printf("| %d MB (%zu chunks, %.0f MB of XML) | %s | %.1f | %.1f | %.0f%% | %.2f | %s | %.1f (%.1f) |\n", mb,
                        requests.size() - 2, request_bytes / MiB, to_sim ? "talvo-sim" : "discard-only", median(tool_rate),
                        median(floor_rate), 100.0 * median(tool_rate) / median(floor_rate), median(tool_cpu), share,
                        growth / 1024.0, peak / 1024.0);
            std::fflush(stdout);
        }
        std::remove((firmware_dir + "/" + name).c_str());
    }
    rmdir(firmware_dir.c_str());
    rmdir(dir);
    return failures == 0 ? 0 : 1;
}

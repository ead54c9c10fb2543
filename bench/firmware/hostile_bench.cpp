// firmware-hostile-bench: wall time and peak memory of one update against a peer that
// answers the first request with each hostile reply (silence, a byte every 2 s, half a
// reply, "100 Continue" without end, replies of hundreds of megabytes, deep or wide
// markup, duplicate ids), beside a normal update against the simulated Device Service.
// Real deadlines (60 s for the first call). Each update runs in a process of its own
// (this program with "tool ..."): peak growth is its VmHWM minus its VmRSS before the
// update. Not a test; it prints a Markdown table for bench/firmware_results.md.
//
//   firmware-hostile-bench [--only NAME]
#include "device_service.h"
#include "support/hostile_peer.h"
#include "support/loopback.h"
#include "update/device_update.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

long status_kb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const size_t n = std::strlen(field);
    while (std::getline(in, line))
        if (line.compare(0, n, field) == 0) return std::strtol(line.c_str() + n + 1, nullptr, 10);
    return -1;
}

// The tool's side: one update, then "seconds growth_kb peak_kb outcome|text" on stdout.
int tool_main(const char* address, const char* firmware) {
    UpdateJob job;
    job.address = address;
    job.firmware_path = firmware;
    job.timings.reboot_wait_ms = 0;
    const long before = status_kb("VmRSS:");
    const auto start = std::chrono::steady_clock::now();
    const UpdateOutcome outcome = update_system(job, {});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long peak = status_kb("VmHWM:");
    const std::string ended = outcome.updated() ? std::string("updated")
                                                : std::string(update_failure_words(outcome.failure)) + " while " +
                                                      update_step_words(outcome.step);
    std::printf("%.3f %ld %ld %s|%s\n", seconds, peak - before, peak, ended.c_str(), outcome.error_text.c_str());
    return 0;
}

std::string run_tool(const char* self, const std::string& address, const std::string& firmware) {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return "";
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipe_fds[1], 1);
        close(pipe_fds[0]);
        execl(self, self, "tool", address.c_str(), firmware.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipe_fds[1]);
    std::string out;
    char buffer[512];
    for (ssize_t n; (n = read(pipe_fds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<size_t>(n));
    close(pipe_fds[0]);
    waitpid(pid, nullptr, 0);
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

const std::string Head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/"
                         "soap/envelope/\" xmlns:c=\"http://" TALVO_SCHEMA_HOST "/TLCommon.xsd\"><e:Body>";
const std::string Tail = "</e:Body></e:Envelope>";

struct Case {
    std::string name;
    HostilePeer::Behaviour behaviour;  // empty: the simulated Device Service
};

std::vector<Case> cases() {
    const std::string ok = Head + "<c:ByteArrayResponse><sResponse><iReturnValue>0</iReturnValue></sResponse>"
                                  "</c:ByteArrayResponse>" + Tail;
    const std::string fault_head = Head + "<e:Fault><faultcode>e:Server</faultcode><faultstring>";
    const std::string fault_tail = "</faultstring></e:Fault>" + Tail;
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<a>";
    return {
        {"normal update, 1 MB firmware (simulated system)", {}},
        {"silent", hostile::silent()},
        {"a byte every 2 s", hostile::drip(ok, 2000)},
        {"half a reply, then silent", hostile::half_reply(ok)},
        {"HTTP/1.1 100 Continue without end", hostile::endless_continue(100)},
        {"fault with an 800 MB string", hostile::streamed(fault_head, "x", size_t{800} << 20, fault_tail)},
        {"reply with a 400 MB string", hostile::streamed(Head + "<c:ByteArrayResponse><x>", "x", size_t{400} << 20,
                                                         "</x></c:ByteArrayResponse>" + Tail)},
        {"array declaring 800 million bytes",
         hostile::reply(Head + "<c:ByteArrayResponse><sArray xmlns:enc=\"http://schemas.xmlsoap.org/soap/encoding/\""
                               " enc:arrayType=\"xsd:unsignedByte[800000000]\"><item>1</item></sArray>"
                               "</c:ByteArrayResponse>" + Tail)},
        {"200 MB of array items", hostile::streamed(Head + "<c:ByteArrayResponse><sArray>", "<item>1</item>",
                                                     size_t{200} << 20, "</sArray></c:ByteArrayResponse>" + Tail)},
        {"elements nested 100000 deep", hostile::reply(Head + deep + Tail)},
        {"100 MB of attributes in one tag", hostile::streamed(Head + "<a", " b=\"\"", size_t{100} << 20, "/>" + Tail)},
        {"two elements with the same id", hostile::reply(Head + "<a id=\"x\"/><b id=\"x\"/>" + Tail)},
    };
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "tool") == 0) return tool_main(argv[2], argv[3]);
    const char* only = (argc == 3 && std::strcmp(argv[1], "--only") == 0) ? argv[2] : nullptr;
    char dir_pattern[] = "/tmp/perabo-hostile-XXXXXX";
    if (!mkdtemp(dir_pattern)) return 1;
    const std::string firmware = std::string(dir_pattern) + "/bench.firm";
    {
        std::ofstream out(firmware, std::ios::binary);
        std::string block(1 << 20, '\0');
        for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 131 + 7);
        out << "TALVOFW 9.9.9\n" << block;
    }
    std::printf("| peer's reply | wall time s | tool peak growth MB (peak RSS MB) | outcome |\n|---|---|---|---|\n");
    std::fflush(stdout);
    for (const Case& c : cases()) {
        if (only && c.name.find(only) == std::string::npos) continue;
        std::string line;
        if (!c.behaviour) {
            talvo_sim::DeviceServiceOptions options;
            options.reboot_silence_ms = 0;
            std::unique_ptr<talvo_sim::DeviceService> service;
            const std::string address = claim_loopback_address([&](const std::string& candidate) {
                service = std::make_unique<talvo_sim::DeviceService>(options);
                return service->start(candidate, 5555);
            });
            line = run_tool(argv[0], address, firmware);
            std::fprintf(stderr, "installed %zu bytes of %ld\n", service->installed_firmware().size(),
                         static_cast<long>(std::ifstream(firmware, std::ios::ate | std::ios::binary).tellg()));
        } else {
            HostilePeer peer(c.behaviour);
            line = run_tool(argv[0], peer.address(), firmware);
        }
        double seconds = 0;
        long growth = 0, peak = 0;
        char rest[512] = "";
        std::sscanf(line.c_str(), "%lf %ld %ld %511[^\n]", &seconds, &growth, &peak, rest);
        std::string outcome = rest;
        const size_t bar = outcome.find('|');
        if (bar != std::string::npos)
            outcome = outcome.substr(0, bar) + (bar + 1 < outcome.size() ? ": \"" + outcome.substr(bar + 1) + "\"" : "");
        std::printf("| %s | %.3f | %.1f (%.1f) | %s |\n", c.name.c_str(), seconds, growth / 1024.0, peak / 1024.0,
                    outcome.c_str());
        std::fflush(stdout);
    }
    std::remove(firmware.c_str());
    rmdir(dir_pattern);
    return 0;
}

// talvo update: the systems named (or all of a type), several at once, each with the
// same sequence and bytes as the window's update; then a scan shows their firmware.
#include "cli/cli_scan.h"
#include "cli/commands.h"
#include "cli/firmware_files.h"
#include "cli/listing.h"
#include "cli/targets.h"
#include "cli/interruptions.h"
#include "cli/update_board.h"
#include "cli/update_records.h"
#include "cli/work_record.h"
#include "discovery/system_reach.h"
#include "update/device_update.h"
#include "update/install_gate.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>

namespace {

struct UpdateFiles {
    std::string firmware;
    std::string sd_board;  // empty: none
};

// The files, checked before any system is touched.
bool check_files(const CliOptions& options, UpdateFiles* files) {
    files->firmware = options.firmware;
    return check_update_files(options.firmware, options.sd_board, &files->sd_board);
}

// The systems to update, each once; false with the reason printed when a TARGET names
// no system or several, or --all finds none.
bool choose_systems(const CliOptions& options, const std::vector<SystemRecord>& found,
                    std::vector<SystemRecord>* chosen) {
    std::string why;
    if (options.all) {
        for (const SystemRecord& s : found)
            if (options.type.empty() || options.type == s.type_text) chosen->push_back(s);
        if (chosen->empty()) {
            std::fprintf(stderr, "talvo: no system%s%s found on %s\n", options.type.empty() ? "" : " of type ",
                         options.type.c_str(), options.interface.c_str());
            return false;
        }
        return true;
    }
    for (const std::string& target : options.targets) {
        const int index = find_target(found, target, &why);
        if (index < 0) {
            std::fprintf(stderr, "talvo: %s\n", why.c_str());
            return false;
        }
        const SystemRecord& s = found[static_cast<size_t>(index)];
        for (const SystemRecord& earlier : *chosen) {
            if (std::memcmp(system_mac(earlier), system_mac(s), 6) == 0) {
                std::fprintf(stderr, "talvo: '%s' names %s a second time\n", target.c_str(), s.ip_text);
                return false;
            }
        }
        chosen->push_back(s);
    }
    return true;
}

// Every chosen system reachable through nic, each alone at its address; otherwise
// false with what stands in the way of each printed.
bool check_reachable(const std::string& interface, const InterfaceRecord& nic, const std::vector<SystemRecord>& found,
                     const std::vector<SystemRecord>& chosen) {
    const InterfaceNetwork network = interface_network(nic, interface);
    bool all = true;
    for (const SystemRecord& s : chosen) {
        const ReachCheck check = check_reach(s.ipv4, network, found);
        if (!check.reachable()) std::fprintf(stderr, "talvo: %s\n", check.why.c_str());
        all = all && check.reachable();
    }
    return all;
}

std::string system_name(const SystemRecord& s) {
    return std::string(s.ip_text) + " (" + mac_text(system_mac(s)) + ")";
}

// Everything the updates share: the systems, the files and where their records go.
struct UpdateWork {
    UpdateWork(const CliOptions& o, const InterfaceRecord& n, const std::vector<SystemRecord>& s, const UpdateFiles& f,
               UpdateRecords& r)
        : options(o), nic(n), systems(s), files(f), records(r), gates(s.size()) {}

    const CliOptions& options;
    const InterfaceRecord& nic;  // the connections go through it only
    const std::vector<SystemRecord>& systems;
    const UpdateFiles& files;
    UpdateRecords& records;
    std::vector<InstallGate> gates;  // one per system: its stop request against its installation
    std::atomic<bool> stop{false};   // no further system starts
};

SystemRun update_one(UpdateWork& work, size_t i, UpdateBoard& board) {
    const SystemRecord& system = work.systems[i];
    UpdateJob job;
    job.address = system.ip_text;
    job.firmware_path = work.files.firmware;
    job.sd_board_path = work.files.sd_board;
    job.gate = &work.gates[i];
    uint8_t source[4];
    source_toward(work.nic, system.ipv4, source);
    job.route = route_through(work.nic.device_name, source);
    job.fault_reports = false;  // the cause ends the system's one line instead
    job.chunk_sent = [&work, i](UpdateStep step, const unsigned char* bytes, size_t size) {
        work.records.chunk_sent(i, step, bytes, size);
    };
    board.begin(i);
    work.records.began(i);
    const std::string name = system_name(system);
    const auto progress = [&board, i](const UpdateProgress& p) { board.progress(i, p.step, p.bytes_sent, p.bytes_total); };
    const auto diagnostics = [&name](DiagnosticStream stream, const std::string& line) {
        if (stream == DiagnosticStream::Err) std::fprintf(stderr, "%s: %s", name.c_str(), line.c_str());
    };
    SystemRun run;
    run.started = true;
    run.began = WallClock::now();
    run.outcome = update_system(job, progress, diagnostics);
    run.ended = WallClock::now();
    // On record before anything says the system has ended.
    work.records.ended(i, run);
    const bool done = run.outcome.updated();
    board.finish(i, done, done ? "" : interrupted(run) ? "not updated: interrupted" : failure_text(run.outcome));
    return run;
}

// Runs every update on at most parallel threads, each taking the next system until the
// user asks to stop.
std::vector<SystemRun> run_updates(UpdateWork& work, UpdateBoard& board) {
    std::vector<SystemRun> runs(work.systems.size());
    std::atomic<size_t> next{0};
    auto worker = [&] {
        for (size_t i = next++; i < work.systems.size(); i = next++) {
            if (work.stop.load(std::memory_order_acquire)) break;
            runs[i] = update_one(work, i, board);
        }
    };
    const size_t threads = std::min(work.systems.size(), static_cast<size_t>(work.options.parallel));
    std::vector<std::thread> pool;
    for (size_t t = 0; t < threads; ++t) pool.emplace_back(worker);
    for (std::thread& t : pool) t.join();
    return runs;
}

// The board while the updates run, for the signal watcher; null before and after. The
// lock keeps it from going while the watcher reads it.
struct ShownBoard {
    std::mutex mutex;
    UpdateBoard* board = nullptr;

    void show(UpdateBoard* shown) {
        std::lock_guard<std::mutex> lock(mutex);
        board = shown;
    }
};

SystemProgress shown_row(ShownBoard& shown, size_t i) {
    std::lock_guard<std::mutex> lock(shown.mutex);
    return shown.board ? shown.board->row(i) : SystemProgress{};
}

// The first signal: nothing new starts, and what is not installing yet stops at once.
// Each system's gate decides whether its stop came before its installation.
void stop_safely(UpdateWork& work, ShownBoard& shown) {
    work.stop.store(true, std::memory_order_release);
    size_t installing = 0;
    for (InstallGate& gate : work.gates)
        if (!gate.request_stop()) ++installing;
    char line[160] = "Interrupted: no system is installing; stopping";
    if (installing > 0)
        std::snprintf(line, sizeof line, "Interrupted: finishing %zu system%s that %s installing; Ctrl-C again to abandon %s",
                      installing, installing == 1 ? "" : "s", installing == 1 ? "is" : "are",
                      installing == 1 ? "it" : "them");
    std::lock_guard<std::mutex> lock(shown.mutex);
    if (shown.board) {
        shown.board->note(line);
    } else {
        std::fprintf(stderr, "%s\n", line);
    }
}

// A second signal: the process ends now, naming every system it leaves half-installed,
// with a record of each system that has none yet.
[[noreturn]] void abandon(UpdateWork& work, ShownBoard& shown) {
    std::vector<SystemProgress> rows;
    for (size_t i = 0; i < work.systems.size(); ++i) rows.push_back(shown_row(shown, i));
    for (size_t i = 0; i < work.systems.size(); ++i) {
        if (!work.gates[i].installing()) continue;
        std::fprintf(stderr, "talvo: %s was left between its installation and its reboot: it lacks %s\n",
                     system_name(work.systems[i]).c_str(),
                     still_lacks(rows[i].step, !work.files.sd_board.empty()).c_str());
    }
    const std::vector<std::string> records = work.records.leave([&](size_t i) {
        return left_behind(work.gates[i].installing(), rows[i].state == BoardState::Waiting, rows[i].step,
                           !work.files.sd_board.empty());
    });
    end_abandoned(work.options.format == ListFormat::Json ? records_document(records) : "");
}

const SystemRecord* by_mac(const std::vector<SystemRecord>& systems, const uint8_t* mac) {
    for (const SystemRecord& s : systems)
        if (std::memcmp(system_mac(s), mac, 6) == 0) return &s;
    return nullptr;
}

std::string result_text(const SystemRun& run) {
    if (!run.started) return "not updated: not started";
    if (run.outcome.updated()) return "updated";
    return interrupted(run) ? "not updated: interrupted" : "failed " + failure_text(run.outcome);
}

void print_summary(const UpdateWork& work, const std::vector<SystemRun>& runs,
                   const std::vector<SystemRecord>& after, bool scanned, std::FILE* out) {
    std::vector<std::vector<std::string>> rows{{"System", "Serial Number", "Result", "Firmware before", "Firmware now"}};
    for (size_t i = 0; i < work.systems.size(); ++i) {
        const SystemRecord& s = work.systems[i];
        const SystemRecord* now = by_mac(after, system_mac(s));
        rows.push_back({system_name(s), s.serial_text, result_text(runs[i]), s.firmware_text,
                        !scanned ? "(no scan)" : now ? now->firmware_text : "(not found)"});
    }
    for (auto& row : rows)
        for (auto& cell : row) cell = printable(cell);
    std::fprintf(out, "\n%s", aligned_table(rows).c_str());
}

}  // namespace

ExitCode run_update_command(const CliOptions& options) {
    UpdateFiles files;
    if (!check_files(options, &files)) return ExitCode::Usage;
    RecordLog log;
    std::string why;
    if (!options.log.empty() && !log.open(options.log, &why)) {
        std::fprintf(stderr, "talvo: the log %s\n", why.c_str());
        return ExitCode::Usage;
    }
    InterfaceRecord nic;
    if (!find_interface(options.interface, &nic)) return ExitCode::Usage;
    std::vector<SystemRecord> found;
    if (!scan_segment(nic, &found)) return ExitCode::SomeFailed;
    std::vector<SystemRecord> systems;
    if (!choose_systems(options, found, &systems)) return ExitCode::Usage;
    if (!check_reachable(options.interface, nic, found, systems)) return ExitCode::Usage;

    // With --json standard output is the document alone: the rest goes to standard error.
    const bool document = options.format == ListFormat::Json;
    std::FILE* out = document ? stderr : stdout;
    std::fprintf(out, "Updating %zu system%s with %s%s%s\n", systems.size(), systems.size() == 1 ? "" : "s",
                 files.firmware.c_str(), files.sd_board.empty() ? "" : " and ", files.sd_board.c_str());
    std::vector<std::string> names;
    for (const SystemRecord& s : systems) names.push_back(system_name(s));
    UpdateRecords records(systems, options.interface, files.firmware, files.sd_board, log);
    UpdateWork work(options, nic, systems, files, records);
    // Taken before any thread of the updates starts, so no signal can reach one of them.
    ShownBoard shown;
    const Interruptions interruptions([&] { stop_safely(work, shown); }, [&] { abandon(work, shown); });
    std::vector<SystemRun> runs;
    {
        UpdateBoard board(names, isatty(fileno(out)) == 1, out);
        shown.show(&board);
        runs = run_updates(work, board);
        shown.show(nullptr);
    }
    std::vector<SystemRecord> after;
    const bool scanned = std::any_of(runs.begin(), runs.end(), updated) && scan_segment(nic, &after);
    print_summary(work, runs, after, scanned, out);
    if (document) std::fputs(records_document(records.document(after)).c_str(), stdout);
    for (size_t i = 0; i < systems.size(); ++i)
        if (runs[i].started && !runs[i].outcome.updated() && !interrupted(runs[i]))
            std::fprintf(stderr, "talvo: %s failed %s\n", system_name(systems[i]).c_str(),
                         failure_text(runs[i].outcome).c_str());
    return work_exit_code(interruptions.count() > 0, std::all_of(runs.begin(), runs.end(), updated), log.failed());
}

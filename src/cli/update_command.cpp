// talvo update: the systems named (or all of a type), several at once, each with the
// same sequence and bytes as the window's update; then a scan shows their firmware.
#include "cli/cli_scan.h"
#include "cli/commands.h"
#include "cli/firmware_files.h"
#include "cli/listing.h"
#include "cli/targets.h"
#include "cli/update_board.h"
#include "update/device_update.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

struct UpdateFiles {
    std::string firmware;
    std::string sd_board;  // empty: none
};

// The files, checked before any system is touched.
bool check_files(const CliOptions& options, UpdateFiles* files) {
    std::string why;
    if (!readable_regular_file(options.firmware, &why)) {
        std::fprintf(stderr, "talvo: the firmware file %s\n", why.c_str());
        return false;
    }
    files->firmware = options.firmware;
    files->sd_board = options.sd_board.empty() ? sd_board_beside(options.firmware) : options.sd_board;
    if (!files->sd_board.empty() && !readable_regular_file(files->sd_board, &why)) {
        std::fprintf(stderr, "talvo: the SD board file %s\n", why.c_str());
        return false;
    }
    return true;
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

std::string system_name(const SystemRecord& s) {
    return std::string(s.ip_text) + " (" + mac_text(system_mac(s)) + ")";
}

// "while uploading firmware: Flash is write-protected"
std::string failure_text(const UpdateOutcome& outcome) {
    return std::string("while ") + update_step_words(outcome.step) + ": " + outcome.error_text;
}

// Runs every update on at most parallel threads, each taking the next system.
std::vector<UpdateOutcome> run_updates(const std::vector<SystemRecord>& systems, const UpdateFiles& files,
                                       int parallel, UpdateBoard& board) {
    std::vector<UpdateOutcome> results(systems.size());
    std::atomic<size_t> next{0};
    auto worker = [&] {
        for (size_t i = next++; i < systems.size(); i = next++) {
            UpdateJob job;
            job.address = systems[i].ip_text;
            job.firmware_path = files.firmware;
            job.sd_board_path = files.sd_board;
            board.begin(i);
            const std::string name = system_name(systems[i]);
            const auto progress = [&, i](const UpdateProgress& p) {
                board.progress(i, p.step, p.bytes_sent, p.bytes_total);
            };
            const auto diagnostics = [&name](DiagnosticStream stream, const std::string& line) {
                if (stream == DiagnosticStream::Err) std::fprintf(stderr, "%s: %s", name.c_str(), line.c_str());
            };
            results[i] = update_system(job, progress, diagnostics);
            const bool updated = results[i].updated();
            board.finish(i, updated, updated ? "" : failure_text(results[i]));
        }
    };
    const size_t threads = std::min(systems.size(), static_cast<size_t>(parallel));
    std::vector<std::thread> pool;
    for (size_t t = 0; t < threads; ++t) pool.emplace_back(worker);
    for (std::thread& t : pool) t.join();
    return results;
}

const SystemRecord* by_mac(const std::vector<SystemRecord>& systems, const uint8_t* mac) {
    for (const SystemRecord& s : systems)
        if (std::memcmp(system_mac(s), mac, 6) == 0) return &s;
    return nullptr;
}

void print_summary(const std::vector<SystemRecord>& systems, const std::vector<UpdateOutcome>& results,
                   const std::vector<SystemRecord>& after, bool scanned) {
    std::vector<std::vector<std::string>> rows{{"System", "Serial Number", "Result", "Firmware before", "Firmware now"}};
    for (size_t i = 0; i < systems.size(); ++i) {
        const UpdateOutcome& r = results[i];
        const SystemRecord* now = by_mac(after, system_mac(systems[i]));
        const std::string result = r.updated() ? "updated" : "failed " + failure_text(r);
        rows.push_back({system_name(systems[i]), systems[i].serial_text, result, systems[i].firmware_text,
                        !scanned ? "(no scan)" : now ? now->firmware_text : "(not found)"});
    }
    for (auto& row : rows)
        for (auto& cell : row) cell = printable(cell);
    std::printf("\n%s", aligned_table(rows).c_str());
}

}  // namespace

ExitCode run_update_command(const CliOptions& options) {
    UpdateFiles files;
    if (!check_files(options, &files)) return ExitCode::Usage;
    InterfaceRecord nic;
    if (!find_interface(options.interface, &nic)) return ExitCode::Usage;
    std::vector<SystemRecord> found;
    if (!scan_segment(nic, &found)) return ExitCode::SomeFailed;
    std::vector<SystemRecord> systems;
    if (!choose_systems(options, found, &systems)) return ExitCode::Usage;

    std::printf("Updating %zu system%s with %s%s%s\n", systems.size(), systems.size() == 1 ? "" : "s",
                files.firmware.c_str(), files.sd_board.empty() ? "" : " and ", files.sd_board.c_str());
    std::vector<std::string> names;
    for (const SystemRecord& s : systems) names.push_back(system_name(s));
    std::vector<UpdateOutcome> results;
    {
        UpdateBoard board(names, isatty(fileno(stdout)) == 1, stdout);
        results = run_updates(systems, files, options.parallel, board);
    }
    const bool any_updated =
        std::any_of(results.begin(), results.end(), [](const UpdateOutcome& r) { return r.updated(); });
    std::vector<SystemRecord> after;
    const bool scanned = any_updated && scan_segment(nic, &after);
    print_summary(systems, results, after, scanned);
    const bool all_updated =
        std::all_of(results.begin(), results.end(), [](const UpdateOutcome& r) { return r.updated(); });
    for (size_t i = 0; i < systems.size(); ++i)
        if (!results[i].updated())
            std::fprintf(stderr, "talvo: %s failed %s\n", system_name(systems[i]).c_str(),
                         failure_text(results[i]).c_str());
    return all_updated ? ExitCode::Done : ExitCode::SomeFailed;
}

// The records of one talvo update: each system's line reaches the log the moment the
// system ends, and a run that must end at once (a second signal) still writes one for
// every system that has none, to the log and to the document, before the process goes.
#pragma once

#include "cli/work_record.h"
#include "update/update_outcome.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

using WallClock = std::chrono::system_clock;

// One system's update as talvo ran it.
struct SystemRun {
    bool started = false;
    UpdateOutcome outcome;
    WallClock::time_point began{}, ended{};
};

bool updated(const SystemRun& run);
bool interrupted(const SystemRun& run);
// "while uploading firmware: Flash is write-protected"
std::string failure_text(const UpdateOutcome& outcome);

// How a system that had not ended is recorded when talvo leaves at once.
struct LeftBehind {
    std::string result;  // "abandoned", "interrupted", "updated" or "not-started"
    UpdateStep step = UpdateStep::CheckingSystem;  // where it stood
    std::string reason;
};

// What a system left between its installation and its reboot request still lacks, by
// the step it stood in: "the end of its firmware installation, its SD board file
// system and its reboot request".
std::string still_lacks(UpdateStep step, bool with_sd_board);

// How a system that has not ended is recorded when talvo leaves at once: installing
// (its gate let the installation in), not yet begun, or where its update stood.
LeftBehind left_behind(bool installing, bool not_begun, UpdateStep step, bool with_sd_board);

class UpdateRecords {
public:
    UpdateRecords(const std::vector<SystemRecord>& systems, const std::string& interface,
                  const std::string& firmware_path, const std::string& sd_board_path, RecordLog& log);

    void began(size_t i);
    // A chunk system i accepted: its record names the bytes it was sent.
    void chunk_sent(size_t i, UpdateStep step, const unsigned char* bytes, size_t size);
    // System i ended: its record goes to the log at once.
    void ended(size_t i, const SystemRun& run);
    // Every system's record, with the firmware each reports in after (none: unknown).
    std::vector<std::string> document(const std::vector<SystemRecord>& after);
    // Leaving at once: each system that has not ended is recorded as left says, in the
    // log too where it began; returns every record. Nothing is recorded afterwards.
    std::vector<std::string> leave(const std::function<LeftBehind(size_t)>& left);

private:
    struct Entry {
        SystemRun run;
        bool ended = false;
        SentFiles files;  // what it was sent
    };
    UpdateRecord record_of(size_t i, const Entry& entry, const std::string& firmware_after) const;

    const std::vector<SystemRecord>& systems_;
    std::string interface_;
    bool with_sd_board_;
    RecordLog& log_;
    std::mutex mutex_;
    std::vector<Entry> entries_;
    bool closed_ = false;
};

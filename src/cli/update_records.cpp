#include "cli/update_records.h"

#include <cstring>

namespace {

const char* result_word(const SystemRun& run) {
    if (!run.started) return "not-started";
    if (run.outcome.updated()) return "updated";
    return run.outcome.failure == UpdateFailure::Interrupted ? "interrupted" : "failed";
}

}  // namespace

bool updated(const SystemRun& run) { return run.started && run.outcome.updated(); }

bool interrupted(const SystemRun& run) { return run.started && run.outcome.failure == UpdateFailure::Interrupted; }

std::string failure_text(const UpdateOutcome& outcome) {
    return std::string("while ") + update_step_words(outcome.step) + ": " + outcome.error_text;
}

std::string still_lacks(UpdateStep step, bool with_sd_board) {
    const std::string reboot = "its reboot request";
    const std::string sd_board = with_sd_board ? "its SD board file system and " : "";
    switch (step) {
    case UpdateStep::InstallingFirmware: return "the end of its firmware installation, " + sd_board + reboot;
    case UpdateStep::UploadingSdBoard:
    case UpdateStep::InstallingSdBoard:
    case UpdateStep::ValidatingSdBoard: return "its SD board file system and " + reboot;
    default: return reboot;
    }
}

LeftBehind left_behind(bool installing, bool not_begun, UpdateStep step, bool with_sd_board) {
    if (installing)
        return {"abandoned", step, "left between its installation and its reboot: it lacks " +
                                       still_lacks(step, with_sd_board)};
    if (not_begun) return {"not-started", step, ""};
    // It has its reboot request: only talvo's wait for the restart is cut short.
    if (step == UpdateStep::WaitingForRestart) return {"updated", step, ""};
    return {"interrupted", step, "interrupted before the installation"};
}

UpdateRecords::UpdateRecords(const std::vector<SystemRecord>& systems, const std::string& interface,
                             const std::string& firmware_path, const std::string& sd_board_path, RecordLog& log)
    : systems_(systems), interface_(interface), with_sd_board_(!sd_board_path.empty()), log_(log),
      entries_(systems.size()) {
    for (Entry& entry : entries_) entry.files = SentFiles(firmware_path, sd_board_path);
}

void UpdateRecords::began(size_t i) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_[i].run.started = true;
    entries_[i].run.began = WallClock::now();
}

void UpdateRecords::chunk_sent(size_t i, UpdateStep step, const unsigned char* bytes, size_t size) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_[i].files.add(step, bytes, size);
}

void UpdateRecords::ended(size_t i, const SystemRun& run) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return;  // recorded as left behind already
    Entry& entry = entries_[i];
    entry.run = run;
    entry.ended = true;
    log_.append(record_json(record_of(i, entry, "")));
}

UpdateRecord UpdateRecords::record_of(size_t i, const Entry& entry, const std::string& firmware_after) const {
    const SystemRun& run = entry.run;
    UpdateRecord record;
    record.system = &systems_[i];
    record.interface = interface_;
    record.result = result_word(run);
    if (run.started && !run.outcome.updated()) {
        if (!interrupted(run)) record.failed_step = update_step_words(run.outcome.step);
        record.reason = run.outcome.error_text;
    }
    record.firmware_after = firmware_after;
    // A system never begun was sent nothing.
    const UpdateOutcome ended = run.started ? run.outcome : UpdateOutcome{UpdateFailure::Interrupted, {}, ""};
    record.firmware = entry.files.firmware(ended);
    if (with_sd_board_) record.sd_board = entry.files.sd_board(ended);
    if (run.started) {
        record.started = utc_time_text(run.began);
        record.ended = utc_time_text(run.ended);
    }
    return record;
}

std::vector<std::string> UpdateRecords::document(const std::vector<SystemRecord>& after) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> records;
    for (size_t i = 0; i < entries_.size(); ++i) {
        std::string firmware_after;
        for (const SystemRecord& s : after)
            if (std::memcmp(system_mac(s), system_mac(systems_[i]), 6) == 0) firmware_after = s.firmware_text;
        records.push_back(record_json(record_of(i, entries_[i], firmware_after)));
    }
    return records;
}

std::vector<std::string> UpdateRecords::leave(const std::function<LeftBehind(size_t)>& left) {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    std::vector<std::string> records;
    for (size_t i = 0; i < entries_.size(); ++i) {
        Entry& entry = entries_[i];
        if (entry.ended) {
            records.push_back(record_json(record_of(i, entry, "")));
            continue;
        }
        const LeftBehind how = left(i);
        entry.run.ended = WallClock::now();
        entry.run.outcome.step = how.step;
        entry.run.outcome.failure = how.result == "updated" ? UpdateFailure::None : UpdateFailure::Interrupted;
        UpdateRecord record = record_of(i, entry, "");
        record.result = how.result;
        record.failed_step = how.result == "abandoned" ? update_step_words(how.step) : "";
        record.reason = how.reason;
        if (!entry.run.started) record.started = record.ended = "";
        records.push_back(record_json(record));
        if (entry.run.started) log_.append(records.back());
    }
    return records;
}

// What talvo did to each system, as records a script or a fleet's report can read: one
// JSON object per system, gathered into one document (--json) or appended a line each
// to a log file as each system ends (--log), so the systems done are on record even when
// talvo itself is killed.
#pragma once

#include "discovery/system_record.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// A file an update loads, as the record names it.
struct FileFacts {
    std::string name;  // without its folder
    uint64_t size = 0;
    std::string sha256;  // lower-case hex
};

// Reads the file at path whole for its facts; false with the reason in *why.
bool read_file_facts(const std::string& path, FileFacts* out, std::string* why);

// "2026-12-08T09:14:03Z": UTC, ISO 8601, to the second.
std::string utc_time_text(std::chrono::system_clock::time_point when);

// One system's update.
struct UpdateRecord {
    const SystemRecord* system = nullptr;
    std::string interface;
    std::string result;          // "updated", "failed", "interrupted" or "not-started"
    std::string failed_step;     // the step's words; empty when it did not fail
    std::string reason;          // why it failed or stopped; empty otherwise
    std::string firmware_after;  // the firmware the system reports afterwards; empty: unknown
    const FileFacts* firmware = nullptr;
    const FileFacts* sd_board = nullptr;  // null: none
    std::string started, ended;           // utc_time_text; empty: it never began
};

// One system's address change.
struct AddressRecord {
    const SystemRecord* system = nullptr;
    std::string interface;
    std::string new_address;
    std::string result;         // "changed" (it answers at the new address) or "failed"
    std::string reason;         // why it failed; empty otherwise
    std::string address_after;  // where it answers afterwards; empty: nowhere
    std::string started, ended;
};

// Each as one JSON object on one line, without a line end.
std::string record_json(const UpdateRecord& record);
std::string record_json(const AddressRecord& record);

// Records as one JSON array, a record a line.
std::string records_document(const std::vector<std::string>& records);

// A log file that records are appended to, a whole line at a time.
class RecordLog {
public:
    RecordLog() = default;
    ~RecordLog();
    RecordLog(const RecordLog&) = delete;
    RecordLog& operator=(const RecordLog&) = delete;

    // Opens (creates) path for appending; false with the reason in *why.
    bool open(const std::string& path, std::string* why);
    // Appends record and its line end in one write; does nothing when not open.
    void append(const std::string& record);

private:
    int fd_ = -1;
};

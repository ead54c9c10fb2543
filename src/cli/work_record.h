// What talvo did to each system, as records a script or a fleet's report can read: one
// JSON object per system, gathered into one document (--json) or appended a line each
// to a log file as each system ends (--log), so the systems done are on record even when
// talvo itself is killed.
#pragma once

#include "discovery/system_record.h"
#include "update/update_outcome.h"

#include <nettle/sha2.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

// A file an update loads, as the record names it: the bytes one system was sent.
struct FileFacts {
    std::string name;  // without its folder
    bool sent_whole = false;  // false: the size and SHA-256 are unknown (null)
    uint64_t size = 0;
    std::string sha256;  // lower-case hex
};

// The facts of a file as it is sent to one system, chunk by chunk: the record names
// what that system received, whatever the file holds by then.
class SentFile {
public:
    explicit SentFile(const std::string& path = "");
    void add(const unsigned char* bytes, size_t size);
    // Once the upload ended: the file was sent whole. Before: the name alone.
    FileFacts facts(bool whole) const;

private:
    std::string name_;
    sha256_ctx context_;
    uint64_t size_ = 0;
};

// The two files an update sends one system, as it sends them, and what its record
// names of each by where the update ended: a file counts as sent whole once the step
// after its upload began.
class SentFiles {
public:
    SentFiles(const std::string& firmware_path = "", const std::string& sd_board_path = "")
        : firmware_(firmware_path), sd_board_(sd_board_path) {}
    // A chunk the system accepted, in the upload step it belongs to.
    void add(UpdateStep step, const unsigned char* bytes, size_t size);
    FileFacts firmware(const UpdateOutcome& ended) const;
    FileFacts sd_board(const UpdateOutcome& ended) const;

private:
    SentFile firmware_, sd_board_;
};

// "2026-12-08T09:14:03Z": UTC, ISO 8601, to the second.
std::string utc_time_text(std::chrono::system_clock::time_point when);

// One system's update.
struct UpdateRecord {
    const SystemRecord* system = nullptr;
    std::string interface;
    // "updated", "failed", "interrupted", "not-started", or "abandoned" (left between its
    // installation and its reboot request by a second signal)
    std::string result;
    std::string failed_step;     // the step's words; empty when it did not fail
    std::string reason;          // why it failed or stopped; empty otherwise
    std::string firmware_after;  // the firmware the system reports afterwards; empty: unknown
    FileFacts firmware;
    std::optional<FileFacts> sd_board;  // none: no SD board file system
    std::string started, ended;         // utc_time_text; empty: it never began
};

// One system's address change.
struct AddressRecord {
    const SystemRecord* system = nullptr;
    std::string interface;
    std::string new_address;
    // "changed" (it answers at the new address), "failed", "unverified" (sent, but the
    // scan after it failed), "not-started" (never sent) or "abandoned"
    std::string result;
    std::string reason;         // why it failed; empty otherwise
    std::string address_after;  // where it answers afterwards; empty: nowhere or unknown
    std::string started, ended;
};

// One try of a system's commissioning.
struct CommissionTry {
    std::string result;       // "done", "failed", "interrupted" or "abandoned"
    std::string failed_step;  // "addressing", "checking the address", an update step, "restarting"
    std::string reason;
    std::string started, ended;
};

// One system's commissioning: the fields of set-ip and update together, when it first
// appeared and when it was done, and each try.
struct CommissionRecord {
    const SystemRecord* system = nullptr;  // as it first appeared; null: it never did
    std::string target;                    // as the plan names it; empty for a range
    std::string interface;
    std::string new_address;
    // "commissioned", "already-commissioned", "failed", "interrupted", "abandoned", or
    // "not-seen" (planned, never appeared)
    std::string result;
    std::string failed_step, reason;  // of the last try
    std::string address_after;        // where it answers at the end; empty: unknown
    std::string firmware_after;       // empty: unknown
    std::optional<FileFacts> firmware;  // none: no firmware given
    std::optional<FileFacts> sd_board;
    std::string appeared, done;       // utc_time_text; empty: never
    std::vector<CommissionTry> tries;
};

// How far an address change got: its command is sent only once every change was checked.
enum class AddressSending { NotSent, Sent, SendFailed };

// The result and reason of an address change's record.
struct AddressOutcome {
    std::string result;
    std::string reason;  // empty when changed
};
// Whether a signal stopped the run: a first one sends no further change, a second
// ends talvo before the scan that checks the changes sent.
enum class RunStop { None, Interrupted, Abandoned };
// From how far it got, whether the scan after the changes ran, where the system
// answers in it (empty: nowhere), and how the run was stopped.
AddressOutcome address_outcome(AddressSending sending, bool scanned, const std::string& new_address,
                               const std::string& address_after, RunStop stop);

// Each as one JSON object on one line, without a line end.
std::string record_json(const UpdateRecord& record);
std::string record_json(const AddressRecord& record);
std::string record_json(const CommissionRecord& record);

// Records as one JSON array, a record a line.
std::string records_document(const std::vector<std::string>& records);

// Writes all of bytes to fd, going on after a short write and an interrupted one;
// false (errno set) when a write fails. write_call stands in for write(2) in tests.
using WriteCall = ssize_t (*)(int fd, const void* bytes, size_t size);
bool write_whole(int fd, const std::string& bytes, WriteCall write_call = nullptr);

// A log file that records are appended to, a whole line at a time.
class RecordLog {
public:
    RecordLog() = default;
    ~RecordLog();
    RecordLog(const RecordLog&) = delete;
    RecordLog& operator=(const RecordLog&) = delete;

    // Opens (creates) path for appending; false with the reason in *why.
    bool open(const std::string& path, std::string* why);
    // Appends record and its line end, in one write where the system takes it whole.
    // false, said on standard error, when the line could not be written; true when not open.
    bool append(const std::string& record);
    // Whether any line could not be written: the run's exit status says so.
    bool failed() const { return failed_.load(std::memory_order_acquire); }

private:
    int fd_ = -1;
    std::mutex mutex_;  // a line is written whole before the next begins
    std::atomic<bool> failed_{false};
};

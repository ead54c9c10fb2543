// What talvo shows while it updates several systems at once: on a terminal one live
// line per system (step, bytes sent of total, rate, time), otherwise one plain line per
// step and system. Progress arrives from the update threads; the board is locked.
#pragma once

#include "update/update_outcome.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using BoardClock = std::chrono::steady_clock;

// Where one system's update stands.
enum class BoardState { Waiting, Running, Updated, Failed };

// One system's update as the board knows it.
struct SystemProgress {
    std::string name;         // "198.51.100.11 (02:7a:10:0b:00:01)"
    BoardState state = BoardState::Waiting;
    UpdateStep step = UpdateStep::CheckingSystem;  // while Running
    uint64_t bytes_sent = 0;  // of the file being uploaded
    uint64_t bytes_total = 0;
    BoardClock::time_point began{};       // when its update began
    BoardClock::time_point step_began{};  // when its current step began
    std::string reason;       // why it failed
};

// What the system is doing: "waiting", "uploading firmware", ..., "updated", "failed".
const char* state_words(const SystemProgress& p);

// One line for a system at time now: its name, step, and during an upload the
// bytes sent of the total and the rate, then the time since its update began.
std::string progress_line(const SystemProgress& p, BoardClock::time_point now);

class UpdateBoard {
public:
    // live: redraw all lines in place (a terminal); otherwise a line per step.
    UpdateBoard(std::vector<std::string> names, bool live, std::FILE* out);
    ~UpdateBoard();  // draws the last state

    void begin(size_t row);
    void progress(size_t row, UpdateStep step, uint64_t sent, uint64_t total);
    void finish(size_t row, bool updated, const std::string& reason);
    // One line for the user above the systems' lines (a live board draws them again below).
    void note(const std::string& line);
    SystemProgress row(size_t row) const;

private:
    void redraw_locked();
    void refresh_loop();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<SystemProgress> rows_;
    bool live_;
    bool stop_ = false;
    bool drawn_ = false;
    std::FILE* out_;
    std::thread refresher_;
};

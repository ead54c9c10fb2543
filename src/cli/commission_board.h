// What talvo commission shows: one line per system. On a terminal the lines are redrawn
// in place as systems appear and move on (waiting, addressing, updating 42 %,
// restarting, done, failed and why); otherwise one plain line each time a system's
// state changes. Called from several threads; the board is locked.
#pragma once

#include <cstddef>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

class CommissionBoard {
public:
    CommissionBoard(bool live, std::FILE* out) : live_(live), out_(out) {}

    // A new line for a system, in state; its row.
    size_t add(const std::string& name, const std::string& state);
    void set(size_t row, const std::string& state);
    // The system's name, once it is known better (a planned serial number's MAC).
    void rename(size_t row, const std::string& name);
    // An upload's progress: shown on a live board, left out of plain lines.
    void progress(size_t row, const std::string& state);
    // One line for the user above the systems' lines.
    void note(const std::string& line);

private:
    void show_locked(size_t row);
    void redraw_locked();

    std::mutex mutex_;
    bool live_;
    std::FILE* out_;
    std::vector<std::string> names_, states_;
    size_t drawn_ = 0;  // lines of the live board on the terminal now
};

#include "cli/commission_board.h"

#include "cli/listing.h"

size_t CommissionBoard::add(const std::string& name, const std::string& state) {
    std::lock_guard<std::mutex> lock(mutex_);
    names_.push_back(printable(name));
    states_.push_back(printable(state));
    show_locked(names_.size() - 1);
    return names_.size() - 1;
}

void CommissionBoard::set(size_t row, const std::string& state) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (states_[row] == printable(state)) return;
    states_[row] = printable(state);
    show_locked(row);
}

void CommissionBoard::rename(size_t row, const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    names_[row] = printable(name);
    if (live_) redraw_locked();
}

void CommissionBoard::progress(size_t row, const std::string& state) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!live_ || states_[row] == printable(state)) return;
    states_[row] = printable(state);
    redraw_locked();
}

void CommissionBoard::note(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (live_ && drawn_ > 0) std::fprintf(out_, "\033[%zuA\r\033[J", drawn_);  // the lines go, the note takes their place
    drawn_ = 0;
    std::fprintf(out_, "%s\n", printable(line).c_str());
    if (live_) redraw_locked();
    std::fflush(out_);
}

void CommissionBoard::show_locked(size_t row) {
    if (live_) return redraw_locked();
    std::fprintf(out_, "%s  %s\n", names_[row].c_str(), states_[row].c_str());
    std::fflush(out_);
}

void CommissionBoard::redraw_locked() {
    const size_t width = terminal_width(out_);
    if (drawn_ > 0) std::fprintf(out_, "\033[%zuA", drawn_);
    for (size_t i = 0; i < names_.size(); ++i) {
        std::string line = names_[i] + "  " + states_[i];
        if (line.size() > width) line.resize(width);
        std::fprintf(out_, "\r\033[K%s\n", line.c_str());
    }
    drawn_ = names_.size();
    std::fflush(out_);
}

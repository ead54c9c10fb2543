#include "cli/update_board.h"

#include "cli/listing.h"

#include <unistd.h>

namespace {

constexpr auto RefreshEvery = std::chrono::milliseconds(250);

std::string megabytes(uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(bytes) / 1e6);
    return text;
}

double seconds(BoardClock::duration d) { return std::chrono::duration<double>(d).count(); }

bool uploading(const SystemProgress& p) {
    return p.state == BoardState::Running &&
           (p.step == UpdateStep::UploadingFirmware || p.step == UpdateStep::UploadingSdBoard);
}

}  // namespace

const char* state_words(const SystemProgress& p) {
    switch (p.state) {
    case BoardState::Waiting: return "waiting";
    case BoardState::Running: return update_step_words(p.step);
    case BoardState::Updated: return "updated";
    case BoardState::Failed: return "failed";
    }
    return "?";
}

std::string progress_line(const SystemProgress& p, BoardClock::time_point now) {
    std::string line = p.name + "  " + state_words(p);
    if (uploading(p) && p.bytes_total > 0) {
        line += "  " + megabytes(p.bytes_sent) + " of " + megabytes(p.bytes_total) + " MB";
        const double elapsed = seconds(now - p.step_began);
        if (elapsed > 0.5) line += "  " + megabytes(static_cast<uint64_t>(p.bytes_sent / elapsed)) + " MB/s";
    }
    if (p.state == BoardState::Failed && !p.reason.empty()) line += ": " + p.reason;
    if (p.state != BoardState::Waiting) {
        char elapsed[32];
        std::snprintf(elapsed, sizeof elapsed, "  %.0f s", seconds(now - p.began));
        line += elapsed;
    }
    return printable(line);
}

UpdateBoard::UpdateBoard(std::vector<std::string> names, bool live, std::FILE* out) : live_(live), out_(out) {
    for (std::string& name : names) {
        rows_.emplace_back();
        rows_.back().name = std::move(name);
    }
    if (live_) refresher_ = std::thread([this] { refresh_loop(); });
}

UpdateBoard::~UpdateBoard() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (refresher_.joinable()) refresher_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    if (live_) redraw_locked();
    std::fflush(out_);
}

void UpdateBoard::begin(size_t row) {
    std::lock_guard<std::mutex> lock(mutex_);
    rows_[row].began = rows_[row].step_began = BoardClock::now();
}

void UpdateBoard::progress(size_t row, UpdateStep step, uint64_t sent, uint64_t total) {
    std::lock_guard<std::mutex> lock(mutex_);
    SystemProgress& p = rows_[row];
    const bool new_step = p.state != BoardState::Running || step != p.step;
    if (new_step) p.step_began = BoardClock::now();
    p.state = BoardState::Running;
    p.step = step;
    p.bytes_sent = sent;
    p.bytes_total = total;
    if (new_step && !live_) std::fprintf(out_, "%s\n", progress_line(p, BoardClock::now()).c_str());
}

void UpdateBoard::finish(size_t row, bool updated, const std::string& reason) {
    std::lock_guard<std::mutex> lock(mutex_);
    SystemProgress& p = rows_[row];
    p.reason = reason;
    p.state = updated ? BoardState::Updated : BoardState::Failed;
    if (!live_) std::fprintf(out_, "%s\n", progress_line(p, BoardClock::now()).c_str());
}

void UpdateBoard::note(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (live_ && drawn_) std::fprintf(out_, "\033[%zuA\r\033[J", rows_.size());  // the rows go, the note takes their place
    std::fprintf(out_, "%s\n", printable(line).c_str());
    drawn_ = false;
    if (live_) redraw_locked();
    std::fflush(out_);
}

SystemProgress UpdateBoard::row(size_t row) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return rows_[row];
}

void UpdateBoard::redraw_locked() {
    const size_t width = terminal_width(out_);
    if (drawn_) std::fprintf(out_, "\033[%zuA", rows_.size());
    const auto now = BoardClock::now();
    for (const SystemProgress& p : rows_) {
        std::string line = progress_line(p, now);
        if (line.size() > width) line.resize(width);
        std::fprintf(out_, "\r\033[K%s\n", line.c_str());
    }
    drawn_ = true;
    std::fflush(out_);
}

void UpdateBoard::refresh_loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        redraw_locked();
        wake_.wait_for(lock, RefreshEvery, [this] { return stop_; });
    }
}

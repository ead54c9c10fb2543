// Ctrl-C (SIGINT), a terminal closed over SSH (SIGHUP) and a shutdown (SIGTERM) while
// talvo works on systems: taken by a thread of its own instead of ending the process,
// so the work can stop where that is safe.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <signal.h>
#include <thread>

class Interruptions {
public:
    // From here on the three signals reach no thread of the process (threads started
    // later inherit that) but the watcher, which calls on_first for the first signal and
    // on_second for every later one. Both run on the watcher's thread.
    Interruptions(std::function<void()> on_first, std::function<void()> on_second);
    ~Interruptions();  // stops watching; the signals act as before again
    Interruptions(const Interruptions&) = delete;
    Interruptions& operator=(const Interruptions&) = delete;

    int count() const { return count_.load(std::memory_order_acquire); }

    // The exit status of a command that was interrupted.
    static constexpr int ExitStatus = 130;

private:
    void watch();

    std::function<void()> on_first_, on_second_;
    sigset_t signals_;
    sigset_t previous_;
    std::atomic<int> count_{0};
    std::atomic<bool> stop_{false};
    std::thread watcher_;
};

// SIGPIPE is ignored from here on, in every thread: a write to a pipe or socket whose
// reader went away fails (EPIPE) instead of ending the process.
void ignore_broken_pipes();

// A second signal's end: the records' document on standard output (none when empty),
// "talvo: abandoned" on standard error, and the process ends with ExitStatus at once.
[[noreturn]] void end_abandoned(const std::string& document);

// Runs a program of the build as a user would, and keeps what it wrote.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct ProgramRun {
    int exit_code = -1;  // -1 when it did not exit normally
    int signal = 0;      // the signal that ended it, 0 for none
    std::string out;
    std::string err;
};

// Runs path with args, standard input empty, and waits for it to end.
ProgramRun run_program(const std::string& path, const std::vector<std::string>& args);

// The talvo of this build.
ProgramRun run_talvo(const std::vector<std::string>& args);

// A program running beside the test, which may watch what it writes and signal it.
class RunningProgram {
public:
    RunningProgram(const std::string& path, const std::vector<std::string>& args);
    ~RunningProgram();  // ends it (SIGKILL) if the test did not wait for it
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // Waits until standard output and standard error together hold text `count` times,
    // at most seconds; false when they did not by then or the program ended first.
    bool wait_for(const std::string& text, int seconds, size_t count = 1);
    void signal(int number) const;
    // Stops reading standard output and closes it, as a reader that goes away (a pipe's
    // end, an SSH session) does: the program's next writes there fail.
    void close_output();
    // Waits for the end and gives all it wrote.
    ProgramRun finish();

private:
    void read_output(int out_fd, int err_fd);

    pid_t pid_ = -1;
    std::mutex mutex_;
    std::condition_variable grew_;
    ProgramRun run_;
    bool closed_ = false;
    bool output_closed_ = false;
    std::atomic<bool> drop_output_{false};
    std::thread reader_;
};

// The path of talvo of this build.
std::string talvo_path();

#include "run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>

namespace {

void read_both(int out_fd, int err_fd, ProgramRun* run) {
    pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
    std::string* sinks[2] = {&run->out, &run->err};
    int open_count = 2;
    char buffer[4096];
    while (open_count > 0) {
        if (poll(fds, 2, -1) < 0 && errno != EINTR) return;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open_count;
            }
        }
    }
}

// Starts path with args, its standard input empty and its output into the pipes' read
// ends (*out_fd, *err_fd). The child's id, or -1.
pid_t start(const std::string& path, const std::vector<std::string>& args, int* out_fd, int* err_fd) {
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0) return -1;
    if (pipe2(err, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return -1;
    }
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        const int null_fd = open("/dev/null", O_RDONLY);
        dup2(null_fd, 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    *out_fd = out[0];
    *err_fd = err[0];
    return child;
}

void wait_child(pid_t child, ProgramRun* run) {
    int status = 0;
    if (child <= 0 || waitpid(child, &status, 0) != child) return;
    if (WIFEXITED(status)) run->exit_code = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run->signal = WTERMSIG(status);
}

size_t occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

}  // namespace

ProgramRun run_program(const std::string& path, const std::vector<std::string>& args) {
    ProgramRun run;
    int out = -1, err = -1;
    const pid_t child = start(path, args, &out, &err);
    if (child < 0) return run;
    read_both(out, err, &run);
    wait_child(child, &run);
    return run;
}

RunningProgram::RunningProgram(const std::string& path, const std::vector<std::string>& args) {
    int out = -1, err = -1;
    pid_ = start(path, args, &out, &err);
    if (pid_ > 0) reader_ = std::thread([this, out, err] { read_output(out, err); });
}

RunningProgram::~RunningProgram() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    finish();
}

void RunningProgram::read_output(int out_fd, int err_fd) {
    pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
    int open_count = 2;
    char buffer[4096];
    while (open_count > 0) {
        if (fds[0].fd >= 0 && drop_output_.load(std::memory_order_acquire)) {
            close(fds[0].fd);
            fds[0].fd = -1;
            --open_count;
            std::lock_guard<std::mutex> lock(mutex_);
            output_closed_ = true;
            grew_.notify_all();
        }
        // A short wait, so a request to drop the output is taken soon.
        if (poll(fds, 2, 50) < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                std::lock_guard<std::mutex> lock(mutex_);
                (i == 0 ? run_.out : run_.err).append(buffer, static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open_count;
            }
        }
        grew_.notify_all();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    grew_.notify_all();
}

bool RunningProgram::wait_for(const std::string& text, int seconds, size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return grew_.wait_for(lock, std::chrono::seconds(seconds), [&] {
        return closed_ || occurrences(run_.out + run_.err, text) >= count;
    }) && occurrences(run_.out + run_.err, text) >= count;
}

void RunningProgram::close_output() {
    drop_output_.store(true, std::memory_order_release);
    std::unique_lock<std::mutex> lock(mutex_);
    grew_.wait(lock, [this] { return output_closed_ || closed_; });
}

void RunningProgram::signal(int number) const {
    if (pid_ > 0) kill(pid_, number);
}

ProgramRun RunningProgram::finish() {
    if (reader_.joinable()) reader_.join();
    ProgramRun run;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        run = run_;
    }
    wait_child(pid_, &run);
    pid_ = -1;
    return run;
}

std::string talvo_path() { return std::string(PERABO_BINARY_DIR) + "/talvo"; }

ProgramRun run_talvo(const std::vector<std::string>& args) { return run_program(talvo_path(), args); }

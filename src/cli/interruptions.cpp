#include "cli/interruptions.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

constexpr long WatchSliceNs = 200 * 1000 * 1000;  // how often the watcher looks whether to stop

}  // namespace

Interruptions::Interruptions(std::function<void()> on_first, std::function<void()> on_second)
    : on_first_(std::move(on_first)), on_second_(std::move(on_second)) {
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    sigaddset(&signals_, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals_, &previous_);
    watcher_ = std::thread([this] { watch(); });
}

Interruptions::~Interruptions() {
    stop_.store(true, std::memory_order_release);
    watcher_.join();
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

void Interruptions::watch() {
    const timespec slice{0, WatchSliceNs};
    while (!stop_.load(std::memory_order_acquire)) {
        if (sigtimedwait(&signals_, nullptr, &slice) < 0) continue;
        if (count_.fetch_add(1, std::memory_order_acq_rel) == 0) {
            on_first_();
        } else {
            on_second_();
        }
    }
}

void ignore_broken_pipes() { signal(SIGPIPE, SIG_IGN); }

void end_abandoned(const std::string& document) {
    std::fputs(document.c_str(), stdout);
    std::fprintf(stderr, "talvo: abandoned\n");
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(Interruptions::ExitStatus);
}

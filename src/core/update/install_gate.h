// Whether an update may still be stopped: a stop request and the update's installing
// call race, and one atomic exchange decides which came first. A stop that comes first
// drops the update before anything is installed; an installation that comes first runs
// on to the reboot request, and a stop then waits for it: a system left between the two
// would keep a new firmware without the rest.
#pragma once

#include <atomic>

class InstallGate {
public:
    // The stop request: true when nothing is at stake (the update will stop before its
    // installation, or the system already has its reboot request); false while it
    // installs, until leave_installation.
    bool request_stop();
    // The update, just before its installing call: true to go on; false when a stop came
    // first (nothing may be installed).
    bool enter_installation();
    // The system took its reboot request, or the update ended: nothing is at stake.
    void leave_installation();

    // Open again, for the next update; only while no update runs.
    void reset() {
        abandon_.store(false, std::memory_order_release);
        state_.store(Open, std::memory_order_release);
    }

    // A stop came before the installation: the update stops where it can.
    bool stopped() const { return state_.load(std::memory_order_acquire) == Stopped; }
    bool installing() const { return state_.load(std::memory_order_acquire) == Installing; }
    // Becomes true when a stop came first: a connection waiting on the system gives up.
    const std::atomic<bool>* abandon_flag() const { return &abandon_; }

private:
    enum State : int { Open, Stopped, Installing, Done };
    std::atomic<int> state_{Open};
    std::atomic<bool> abandon_{false};
};

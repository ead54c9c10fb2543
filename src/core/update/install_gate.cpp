#include "update/install_gate.h"

bool InstallGate::request_stop() {
    int expected = Open;
    if (state_.compare_exchange_strong(expected, Stopped, std::memory_order_acq_rel)) {
        abandon_.store(true, std::memory_order_release);
        return true;
    }
    return expected != Installing;
}

bool InstallGate::enter_installation() {
    int expected = Open;
    return state_.compare_exchange_strong(expected, Installing, std::memory_order_acq_rel);
}

void InstallGate::leave_installation() {
    int expected = Installing;
    state_.compare_exchange_strong(expected, Done, std::memory_order_acq_rel);
}

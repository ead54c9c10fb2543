// The simulated Talvo system's identity: what it answers with and where it lives.
// Shared by its services, which may run on different threads, so access is locked.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct SimIdentity {
    uint8_t mac[6];
    uint8_t ipv4[4];  // network order
    std::string type;
    std::string firmware;
};

class SimSystem {
public:
    explicit SimSystem(SimIdentity identity) : identity_(std::move(identity)) {}

    SimIdentity identity() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return identity_;
    }

    void set_address(const uint8_t ipv4[4]) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (int i = 0; i < 4; ++i) identity_.ipv4[i] = ipv4[i];
    }

    void set_firmware(const std::string& firmware) {
        std::lock_guard<std::mutex> lock(mutex_);
        identity_.firmware = firmware;
    }

    // A rebooting system answers nothing until it is up again.
    void set_rebooting(bool rebooting) {
        std::lock_guard<std::mutex> lock(mutex_);
        rebooting_ = rebooting;
    }

    bool rebooting() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return rebooting_;
    }

    // An unplugged system answers nothing until it is plugged in again.
    void set_present(bool present) {
        std::lock_guard<std::mutex> lock(mutex_);
        present_ = present;
    }

    bool present() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return present_;
    }

    // A system that drops every address change (a faulty or locked one).
    void ignore_address_changes() {
        std::lock_guard<std::mutex> lock(mutex_);
        ignores_ipaddr_ = true;
    }

    bool ignores_address_changes() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return ignores_ipaddr_;
    }

private:
    mutable std::mutex mutex_;
    SimIdentity identity_;
    bool rebooting_ = false;
    bool present_ = true;
    bool ignores_ipaddr_ = false;
};

// count identities from first on: each next MAC is one more (as a 48-bit number), each
// next address one more within first's /24, back to first's after .254, so many
// systems stay on one segment's network.
std::vector<SimIdentity> consecutive_identities(const SimIdentity& first, int count);

using SimSystems = std::vector<std::unique_ptr<SimSystem>>;

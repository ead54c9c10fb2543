// UDP datagrams sent from another host of the virtual segment at a steady pace, as a
// measurement system streaming data to the PC does, until the object goes.
#pragma once

#include <atomic>
#include <string>
#include <thread>

class PeriodicDatagrams {
public:
    // From network namespace ns to address:port, payload every interval_ms.
    PeriodicDatagrams(const std::string& ns, const std::string& address, int port, std::string payload,
                      int interval_ms);
    ~PeriodicDatagrams();

    int sent() const { return sent_.load(); }
    bool started() const { return started_.load(); }

private:
    void run(const std::string& ns, const std::string& address, int port, int interval_ms);

    std::string payload_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> started_{false};
    std::atomic<int> sent_{0};
    std::thread thread_;
};

// A stand-in for a system on a loopback address, port 5555: it answers each request
// (one SOAP envelope, read up to "</SOAP-ENV:Envelope>") with the next of its scripted
// replies and keeps every byte it received. A reply "" closes the connection instead.
// After the script it keeps reading until the tool closes the connection, so bytes sent
// after the last envelope are caught too.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ScriptedPeer {
public:
    explicit ScriptedPeer(std::vector<std::string> replies);
    ~ScriptedPeer();

    const std::string& address() const { return address_; }  // "" when no address was free
    // Everything received, once the tool has closed the connection (at most 10 s).
    std::string received();
    int connections() const { return connections_.load(); }

private:
    void run();
    bool serve(int fd);

    std::vector<std::string> replies_;
    std::string address_;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    std::thread thread_;
    std::mutex mutex_;
    std::string received_;
    std::atomic<bool> done_{false};
    std::atomic<int> connections_{0};
};

// A peer on port 5555 of a loopback address of its own that answers the tool's first
// request the way a broken or hostile system might: never, a byte now and then, half a
// reply, "100 Continue" without end, or a reply too large or malformed. It reads and
// drops whatever the tool sends, so the tool's writes never wait on it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class HostilePeer {
public:
    // What the peer can do on its connection.
    class Link {
    public:
        Link(int fd, HostilePeer& peer) : fd_(fd), peer_(peer) {}
        // Waits until the tool's request has come ("</SOAP-ENV:Envelope>"). False when
        // the peer is stopping or the tool closed the connection.
        bool await_request();
        // Sends all of text; false when the tool closed the connection or the peer stops.
        bool send(const std::string& text);
        // Waits ms, reading what arrives; false when the peer is stopping.
        bool pause(int ms);

    private:
        bool drain(int wait_ms);
        int fd_;
        HostilePeer& peer_;
        std::string received_;
    };
    using Behaviour = std::function<void(Link&)>;

    explicit HostilePeer(Behaviour behaviour);
    ~HostilePeer();  // stops the behaviour and closes the connection
    HostilePeer(const HostilePeer&) = delete;
    HostilePeer& operator=(const HostilePeer&) = delete;

    const std::string& address() const { return address_; }  // "" when none was free
    size_t bytes_sent() const { return sent_.load(); }

private:
    void run();

    Behaviour behaviour_;
    std::string address_;
    int listener_ = -1;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<size_t> sent_{0};
};

// Replies of the hostile kind, each answering any request.
namespace hostile {
HostilePeer::Behaviour silent();
HostilePeer::Behaviour drip(const std::string& reply, int interval_ms);
HostilePeer::Behaviour half_reply(const std::string& reply);
HostilePeer::Behaviour endless_continue(int interval_ms);
// head, then filler repeated up to total bytes in all, then tail.
HostilePeer::Behaviour streamed(const std::string& head, const std::string& filler, size_t total,
                                const std::string& tail);
HostilePeer::Behaviour reply(const std::string& text);
}  // namespace hostile

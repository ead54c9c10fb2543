#include "hostile_peer.h"

#include "loopback.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

int listen_on(const std::string& address) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(5555);
    inet_pton(AF_INET, address.c_str(), &where.sin_addr);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 || listen(fd, 4) != 0) {
        if (fd >= 0) close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

// Reads what arrives for at most wait_ms. False once the tool closed the connection or
// the peer stops.
bool HostilePeer::Link::drain(int wait_ms) {
    char buffer[65536];
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, wait_ms) <= 0) return !peer_.stopping_.load();
    const ssize_t n = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n == 0) return false;
    if (n > 0) {
        received_.append(buffer, static_cast<size_t>(n));
        if (received_.size() > 4096) received_.erase(0, received_.size() - 4096);
    }
    return !peer_.stopping_.load();
}

bool HostilePeer::Link::await_request() {
    while (received_.find("</SOAP-ENV:Envelope>") == std::string::npos)
        if (!drain(50)) return false;
    received_.clear();
    return true;
}

bool HostilePeer::Link::pause(int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end)
        if (!drain(10)) return false;
    return true;
}

bool HostilePeer::Link::send(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        if (peer_.stopping_.load()) return false;
        pollfd p{fd_, POLLOUT, 0};
        if (poll(&p, 1, 20) <= 0) {
            if (!drain(0)) return false;
            continue;
        }
        const ssize_t n = ::send(fd_, text.data() + done, text.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
        if (n > 0) {
            done += static_cast<size_t>(n);
            peer_.sent_ += static_cast<size_t>(n);
        }
    }
    return true;
}

HostilePeer::HostilePeer(Behaviour behaviour) : behaviour_(std::move(behaviour)) {
    address_ = claim_loopback_address([this](const std::string& address) {
        listener_ = listen_on(address);
        return listener_ >= 0 ? 0 : -1;
    });
    if (listener_ >= 0) thread_ = std::thread([this] { run(); });
}

HostilePeer::~HostilePeer() {
    stopping_.store(true);
    if (listener_ >= 0) shutdown(listener_, SHUT_RDWR);  // wakes an accept still waiting
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) close(listener_);
}

void HostilePeer::run() {
    pollfd p{listener_, POLLIN, 0};
    while (!stopping_.load()) {
        if (poll(&p, 1, 50) <= 0) continue;
        const int fd = accept(listener_, nullptr, nullptr);
        if (fd < 0) return;
        Link link(fd, *this);
        behaviour_(link);
        while (link.pause(50)) {  // holds the connection open until the tool or the test ends it
        }
        close(fd);
    }
}

namespace hostile {

HostilePeer::Behaviour silent() {
    return [](HostilePeer::Link&) {};
}

HostilePeer::Behaviour drip(const std::string& reply, int interval_ms) {
    return [reply, interval_ms](HostilePeer::Link& link) {
        if (!link.await_request()) return;
        for (size_t i = 0;; i = (i + 1) % reply.size())
            if (!link.send(std::string(1, reply[i])) || !link.pause(interval_ms)) return;
    };
}

HostilePeer::Behaviour half_reply(const std::string& reply) {
    return [reply](HostilePeer::Link& link) {
        if (link.await_request()) link.send(reply.substr(0, reply.size() / 2));
    };
}

HostilePeer::Behaviour endless_continue(int interval_ms) {
    return [interval_ms](HostilePeer::Link& link) {
        if (!link.await_request()) return;
        while (link.send("HTTP/1.1 100 Continue\r\n\r\n") && link.pause(interval_ms)) {
        }
    };
}

HostilePeer::Behaviour streamed(const std::string& head, const std::string& filler, size_t total,
                                const std::string& tail) {
    return [=](HostilePeer::Link& link) {
        if (!link.await_request() || !link.send(head)) return;
        std::string block;
        while (block.size() < 65536) block += filler;
        for (size_t sent = head.size(); sent < total; sent += block.size())
            if (!link.send(block)) return;
        link.send(tail);
    };
}

HostilePeer::Behaviour reply(const std::string& text) {
    return [text](HostilePeer::Link& link) {
        if (link.await_request()) link.send(text);
    };
}

}  // namespace hostile

#include "scripted_peer.h"

#include "loopback.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int listen_on(const std::string& address) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(5555);
    inet_pton(AF_INET, address.c_str(), &where.sin_addr);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 ||
        listen(fd, 4) != 0) {
        if (fd >= 0) close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

ScriptedPeer::ScriptedPeer(std::vector<std::string> replies) : replies_(std::move(replies)) {
    address_ = claim_loopback_address([this](const std::string& address) {
        listener_ = listen_on(address);
        return listener_ >= 0 ? 0 : -1;
    });
    if (pipe(wake_) != 0 || listener_ < 0) return;
    thread_ = std::thread([this] { run(); });
}

ScriptedPeer::~ScriptedPeer() {
    if (wake_[1] >= 0) (void)!write(wake_[1], "x", 1);
    if (thread_.joinable()) thread_.join();
    for (int fd : {listener_, wake_[0], wake_[1]})
        if (fd >= 0) close(fd);
}

std::string ScriptedPeer::received() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done_.load() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
}

// Serves connections one after the other (a tool that reconnects shows up as a second).
void ScriptedPeer::run() {
    for (;;) {
        pollfd fds[2] = {{wake_[0], POLLIN, 0}, {listener_, POLLIN, 0}};
        if (poll(fds, 2, -1) <= 0 || fds[0].revents) return;
        const int fd = accept(listener_, nullptr, nullptr);
        if (fd < 0) return;
        ++connections_;
        const bool stop = serve(fd);
        close(fd);
        done_.store(true);
        if (stop) return;
    }
}

// True when the peer was asked to stop.
bool ScriptedPeer::serve(int fd) {
    static const std::string end = "</SOAP-ENV:Envelope>";
    size_t next_reply = 0, searched = 0;
    char buffer[65536];
    for (;;) {
        pollfd fds[2] = {{wake_[0], POLLIN, 0}, {fd, POLLIN, 0}};
        if (poll(fds, 2, -1) <= 0 || fds[0].revents) return true;
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return false;
        std::lock_guard<std::mutex> lock(mutex_);
        received_.append(buffer, static_cast<size_t>(n));
        for (size_t at; (at = received_.find(end, searched)) != std::string::npos;) {
            searched = at + end.size();
            if (next_reply >= replies_.size()) continue;
            const std::string& reply = replies_[next_reply++];
            if (reply.empty()) return false;  // drop the connection
            send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
        }
    }
}

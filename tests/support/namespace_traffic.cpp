#include "namespace_traffic.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

PeriodicDatagrams::PeriodicDatagrams(const std::string& ns, const std::string& address, int port,
                                     std::string payload, int interval_ms)
    : payload_(std::move(payload)) {
    thread_ = std::thread([=] { run(ns, address, port, interval_ms); });
}

PeriodicDatagrams::~PeriodicDatagrams() {
    stop_.store(true);
    thread_.join();
}

// setns moves only this thread into the other host's namespace.
void PeriodicDatagrams::run(const std::string& ns, const std::string& address, int port, int interval_ms) {
    const int ns_fd = open(("/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
    if (ns_fd < 0 || setns(ns_fd, CLONE_NEWNET) != 0) {
        std::perror("PeriodicDatagrams: entering the namespace");
        if (ns_fd >= 0) close(ns_fd);
        return;
    }
    close(ns_fd);
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, address.c_str(), &to.sin_addr);
    started_.store(true);
    auto next = std::chrono::steady_clock::now();
    while (fd >= 0 && !stop_.load()) {
        if (sendto(fd, payload_.data(), payload_.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) > 0)
            ++sent_;
        next += std::chrono::milliseconds(interval_ms);
        while (!stop_.load() && std::chrono::steady_clock::now() < next)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (fd >= 0) close(fd);
}

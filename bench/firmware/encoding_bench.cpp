// firmware-encoding-bench: the time to write one 65535-byte FirmwareUpdate request into
// a connected loopback socket whose reader discards everything, beside a plain send()
// of the same bytes, and beside the runtime writing one element per byte (what the
// generated serialiser does). Prints a Markdown table; run it from a Release build.
//   firmware-encoding-bench [repetitions]
#include "soapH.h"
#include "update/device_connection.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <random>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Listens on port 5555 of a free loopback address and discards what it reads; the
// first connection's bytes can be kept to learn what one request looks like.
class DiscardingPeer {
public:
    DiscardingPeer() {
        std::mt19937 random(std::random_device{}());
        for (int attempt = 0; attempt < 50 && listener_ < 0; ++attempt) {
            address_ = "127.200." + std::to_string(random() % 250 + 1) + "." + std::to_string(random() % 250 + 1);
            listener_ = listen_on(address_);
        }
        if (listener_ >= 0) thread_ = std::thread([this] { run(); });
    }
    ~DiscardingPeer() {
        stop_ = true;
        shutdown(listener_, SHUT_RDWR);
        if (thread_.joinable()) thread_.join();
        close(listener_);
    }
    const std::string& address() const { return address_; }
    size_t received() const { return received_.load(); }
    // Waits until the reader has taken `total` bytes in all: the socket is empty again.
    void wait_for(size_t total) const {
        while (received_.load() < total) std::this_thread::yield();
    }
    // Bytes read so far, once none has come for 50 ms.
    size_t received_when_quiet() const {
        size_t last = received_.load();
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (received_.load() == last && last > 0) return last;
            last = received_.load();
        }
    }

private:
    static int listen_on(const std::string& address) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in where{};
        where.sin_family = AF_INET;
        where.sin_port = htons(5555);
        inet_pton(AF_INET, address.c_str(), &where.sin_addr);
        if (bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) == 0 && listen(fd, 4) == 0) return fd;
        close(fd);
        return -1;
    }
    void run() {
        while (!stop_) {
            const int fd = accept(listener_, nullptr, nullptr);
            if (fd < 0) return;
            std::thread([this, fd] {
                std::vector<char> sink(1 << 20);
                ssize_t n;
                while ((n = recv(fd, sink.data(), sink.size(), 0)) > 0) received_ += static_cast<size_t>(n);
                close(fd);
            }).detach();
        }
    }
    std::string address_;
    int listener_ = -1;
    std::atomic<bool> stop_{false};
    std::atomic<size_t> received_{0};
    std::thread thread_;
};

size_t Sent = 0;  // bytes sent to the peer so far, on all connections

struct Figures {
    double median_ms;
    double min_ms;
};

// Each run starts on an empty connection, as each request of an update does (the tool
// waits for the reply before the next one). `size` bytes are sent per run.
template <typename F>
Figures time_it(int repetitions, const DiscardingPeer& peer, size_t size, F f) {
    std::vector<double> ms;
    for (int i = 0; i < repetitions; ++i) {
        peer.wait_for(Sent);
        const auto start = Clock::now();
        f();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        Sent += size;
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front()};
}

// The request the tool sends for one chunk: counting pass, envelope, items, sent.
void send_request(DeviceConnection& connection, std::vector<unsigned char>& chunk) {
    ChunkArray array{chunk.data(), static_cast<int>(chunk.size())};
    if (soap_send_TLCommonPrivate__FirmwareUpdate(connection.context(), connection.endpoint(), nullptr, &array, 0))
        std::abort();
}

// One runtime call per element, as the generated serialiser of a byte array writes it.
void send_items_one_by_one(DeviceConnection& connection, const std::vector<unsigned char>& chunk) {
    struct soap* soap = connection.context();
    if (soap_begin_send(soap)) std::abort();
    for (unsigned char byte : chunk)
        if (soap_outunsignedByte(soap, "item", -1, &byte, nullptr, 0)) std::abort();
    if (soap_end_send(soap)) std::abort();
}

int plain_socket(const std::string& address) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(5555);
    inet_pton(AF_INET, address.c_str(), &where.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0) std::abort();
    return fd;
}

void send_all(int fd, const std::string& bytes) {
    for (size_t sent = 0; sent < bytes.size();) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) std::abort();
        sent += static_cast<size_t>(n);
    }
}

// As many bytes as one request: item texts.
std::string text_of_size(size_t size) {
    std::string text;
    for (size_t i = 0; text.size() < size; ++i) text += "<item>" + std::to_string((i * 131) & 0xFF) + "</item>";
    text.resize(size);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::atoi(argv[1]) : 200;
    DiscardingPeer peer;
    if (peer.address().empty()) {
        std::fprintf(stderr, "no free loopback address\n");
        return 1;
    }
    std::vector<unsigned char> chunk(65535);
    for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<unsigned char>((i * 131) & 0xFF);

    DeviceConnection connection;
    if (connection.open(peer.address().c_str()) != 0) return 1;
    send_request(connection, chunk);  // learn the sizes of what each run sends
    const size_t request_size = peer.received_when_quiet();
    send_items_one_by_one(connection, chunk);
    Sent = peer.received_when_quiet();
    const size_t items_size = Sent - request_size;
    const std::string same_bytes = text_of_size(request_size);
    const int fd = plain_socket(peer.address());

    const Figures request = time_it(repetitions, peer, request_size, [&] { send_request(connection, chunk); });
    const Figures plain = time_it(repetitions, peer, request_size, [&] { send_all(fd, same_bytes); });
    const Figures per_item = time_it(repetitions, peer, items_size, [&] { send_items_one_by_one(connection, chunk); });
    close(fd);

    std::printf("| what (65535-byte chunk, %zu bytes of XML, %d runs) | median ms | min ms |\n",
                same_bytes.size(), repetitions);
    std::printf("|---|---|---|\n");
    std::printf("| FirmwareUpdate request, our item writer | %.3f | %.3f |\n", request.median_ms, request.min_ms);
    std::printf("| plain send() of the same bytes (floor) | %.3f | %.3f |\n", plain.median_ms, plain.min_ms);
    std::printf("| items through the runtime one by one (generated serialiser) | %.3f | %.3f |\n",
                per_item.median_ms, per_item.min_ms);
    std::printf("\nrequest / plain send: %.2fx (target: at most 2x)\n", request.median_ms / plain.median_ms);
    return 0;
}

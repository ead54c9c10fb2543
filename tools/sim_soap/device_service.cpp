#include "device_service.h"

#include "device_model.h"
#include "reply_writer.h"
#include "request_reader.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <fcntl.h>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace talvo_sim {

namespace {

// A pipe whose read end stays readable once signalled: every poll() sees it.
struct Signal {
    int fds[2] = {-1, -1};
    Signal() {
        if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) fds[0] = fds[1] = -1;
    }
    ~Signal() {
        for (int fd : fds)
            if (fd >= 0) close(fd);
    }
    void raise() const { (void)!write(fds[1], "x", 1); }
    void clear() const {
        char drain[64];
        while (read(fds[0], drain, sizeof drain) > 0) {}
    }
    int fd() const { return fds[0]; }
};

bool send_all(int fd, const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

// A socket bound to address:port, listening unless only the binding is to be tried.
int open_listener(const std::string& address, uint16_t port, uint16_t& bound, bool listening = true) {
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(port);
    if (inet_pton(AF_INET, address.c_str(), &where.sin_addr) != 1) return -EINVAL;
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -errno;
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    socklen_t size = sizeof where;
    if (bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 || (listening && listen(fd, 8) != 0) ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&where), &size) != 0) {
        const int error = errno;
        close(fd);
        return -error;
    }
    bound = ntohs(where.sin_port);
    return fd;
}

}  // namespace

struct DeviceService::Impl {
    explicit Impl(DeviceServiceOptions o) : options(std::move(o)), model(options) {}

    DeviceServiceOptions options;
    mutable std::mutex mutex;  // guards model, connections, stray
    DeviceModel model;
    struct Connection {
        int fd;
        std::thread thread;
    };
    std::vector<Connection> connections;
    int accepted = 0;
    size_t stray = 0;

    bool started = false;
    std::string address;
    uint16_t port = 0;
    int listener = -1;
    Signal stop;
    Signal reboot;
    Signal presence;
    std::thread acceptor;
    std::atomic<size_t> received{0};
    std::atomic<bool> vanished{false};
    std::atomic<bool> present{true};

    void accept_loop();
    void accept_one();
    void reboot_now();
    void follow_presence();
    void listen_again();
    void serve(int fd, int number);
    bool act(int fd, const Request& request, bool& silent);
    bool wait_ms(int ms) const;  // false when stopped meanwhile
    void vanish();
    void shut_connections();
};

DeviceService::DeviceService(DeviceServiceOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}

DeviceService::~DeviceService() { stop(); }

int DeviceService::start(const std::string& address, uint16_t port) {
    if (impl_->started) return EBUSY;  // a service starts once
    const bool present = impl_->options.present;
    const int fd = open_listener(address, port, impl_->port, present);
    if (fd < 0) return -fd;
    if (!present) close(fd);  // it could listen there; it will once it is present
    impl_->started = true;
    impl_->present.store(present, std::memory_order_release);
    impl_->listener = present ? fd : -1;
    impl_->address = address;
    impl_->acceptor = std::thread([this] { impl_->accept_loop(); });
    return 0;
}

void DeviceService::stop() {
    if (!impl_->acceptor.joinable()) return;
    impl_->stop.raise();
    impl_->acceptor.join();
    std::vector<Impl::Connection> connections;
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        connections.swap(impl_->connections);
    }
    for (auto& connection : connections) connection.thread.join();
    if (impl_->listener >= 0) close(impl_->listener);
    impl_->listener = -1;
}

uint16_t DeviceService::port() const { return impl_->port; }

void DeviceService::set_present(bool present) {
    impl_->present.store(present, std::memory_order_release);
    impl_->presence.raise();
}

void DeviceService::Impl::accept_loop() {
    for (;;) {
        pollfd fds[4] = {{stop.fd(), POLLIN, 0}, {reboot.fd(), POLLIN, 0}, {presence.fd(), POLLIN, 0},
                         {listener, POLLIN, 0}};
        if (poll(fds, listener >= 0 ? 4 : 3, -1) < 0 && errno != EINTR) return;
        if (fds[0].revents) return;
        if (fds[1].revents) reboot_now();
        else if (fds[2].revents) follow_presence();
        else if (listener >= 0 && fds[3].revents) accept_one();
    }
}

// Unplugged: as silent as a reboot, without its end. Plugged in: listening again.
void DeviceService::Impl::follow_presence() {
    presence.clear();
    if (present.load(std::memory_order_acquire)) {
        listen_again();
        return;
    }
    if (listener >= 0) close(listener);
    listener = -1;
    shut_connections();
}

void DeviceService::Impl::listen_again() {
    uint16_t bound = 0;
    for (int attempt = 0; attempt < 50 && listener < 0; ++attempt) {
        const int fd = open_listener(address, port, bound);
        if (fd >= 0) listener = fd;
        else if (!wait_ms(100)) return;
    }
}

void DeviceService::Impl::accept_one() {
    const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    std::lock_guard<std::mutex> lock(mutex);
    for (auto it = connections.begin(); it != connections.end();) {  // reap ended ones
        if (it->fd >= 0) {
            ++it;
            continue;
        }
        it->thread.join();
        it = connections.erase(it);
    }
    ++accepted;
    const int number = accepted;
    connections.push_back({fd, std::thread([this, fd, number] { serve(fd, number); })});
}

// Silent for the reboot: no listener, no connection; then it runs what it installed.
void DeviceService::Impl::reboot_now() {
    reboot.clear();
    if (listener >= 0) close(listener);
    listener = -1;
    shut_connections();
    if (!wait_ms(options.reboot_silence_ms)) return;
    std::string firmware;
    {
        std::lock_guard<std::mutex> lock(mutex);
        firmware = model.finish_reboot();
    }
    if (present.load(std::memory_order_acquire)) listen_again();  // unplugged meanwhile: it listens once plugged in
    if (options.on_rebooted) options.on_rebooted(firmware);
}

void DeviceService::Impl::shut_connections() {
    std::lock_guard<std::mutex> lock(mutex);
    for (auto& connection : connections)
        if (connection.fd >= 0) shutdown(connection.fd, SHUT_RDWR);
}

bool DeviceService::Impl::wait_ms(int ms) const {
    pollfd fd{stop.fd(), POLLIN, 0};
    return ms <= 0 || poll(&fd, 1, ms) == 0;
}

void DeviceService::Impl::vanish() {
    if (vanished.exchange(true)) return;
    if (options.on_vanish) options.on_vanish();
}

void DeviceService::Impl::serve(int fd, int number) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> record(nullptr, std::fclose);
    if (!options.record_prefix.empty())
        record.reset(std::fopen((options.record_prefix + "-" + std::to_string(number) + ".bin").c_str(), "wb"));
    RequestReader reader;
    size_t stray_seen = 0;
    bool silent = false;
    char buffer[65536];
    for (;;) {
        silent = silent || vanished.load();
        // A silent system reads nothing more; it ends with the service, a reboot or a
        // connection error.
        pollfd fds[2] = {{stop.fd(), POLLIN, 0}, {fd, static_cast<short>(silent ? 0 : POLLIN), 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR) break;
        if (fds[0].revents || (silent && fds[1].revents)) break;
        if (!fds[1].revents) continue;
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        if (record) std::fwrite(buffer, 1, static_cast<size_t>(n), record.get());
        const size_t total = received += static_cast<size_t>(n);
        if (options.vanish_after_bytes && total >= options.vanish_after_bytes) {
            vanish();  // died with this request half read
            continue;
        }
        reader.feed(buffer, static_cast<size_t>(n));
        {
            std::lock_guard<std::mutex> lock(mutex);
            stray += reader.stray_bytes() - stray_seen;
        }
        stray_seen = reader.stray_bytes();
        bool open = true;
        while (open && !silent && reader.has_request()) open = act(fd, reader.take(), silent);
        if (!open) break;
    }
    std::lock_guard<std::mutex> lock(mutex);
    for (auto& connection : connections)
        if (connection.fd == fd) connection.fd = -1;
    close(fd);
}

// One request answered; false when the connection is to be closed.
bool DeviceService::Impl::act(int fd, const Request& request, bool& silent) {
    if (options.on_request) options.on_request(request);
    Answer answer;
    {
        std::lock_guard<std::mutex> lock(mutex);
        answer = model.answer(request);
    }
    switch (answer.kind) {
    case Answer::Kind::Drop: return false;
    case Answer::Kind::Vanish: vanish(); [[fallthrough]];
    case Answer::Kind::Silence: silent = true; return true;
    default: break;
    }
    if (!wait_ms(answer.delay_ms)) return false;
    const bool fault = answer.kind == Answer::Kind::Fault;
    std::string envelope =
        fault ? fault_reply(answer.fault_code, answer.text)
        : request.operation == Operation::ForceReboot
            ? response_reply(answer.return_value, answer.syserrno)
            : byte_array_reply(request.operation, answer.return_value, answer.syserrno, answer.text);
    if (options.http_header) envelope = with_http_header(envelope, fault);
    if (!send_all(fd, envelope)) return false;
    if (answer.reboot) reboot.raise();
    return true;
}

std::vector<uint8_t> DeviceService::installed_firmware() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->model.installed_firmware();
}

std::vector<uint8_t> DeviceService::installed_file_system() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->model.installed_file_system();
}

bool DeviceService::firmware_installed() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->model.firmware_installed();
}

bool DeviceService::file_system_validated() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->model.file_system_validated();
}

std::string DeviceService::firmware() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->model.firmware();
}

std::vector<std::string> DeviceService::request_log() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->model.log();
}

int DeviceService::reboots() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->model.reboots();
}

int DeviceService::connections_accepted() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->accepted;
}

size_t DeviceService::bytes_outside_envelopes() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->stray;
}

}  // namespace talvo_sim

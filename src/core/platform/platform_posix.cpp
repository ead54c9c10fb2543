#include "platform/platform.h"
#include "platform/socket_address.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>

namespace platform {

const char NativeSeparator = '/';

int executable_path(char* out, size_t cap) {
    if (cap == 0) return -1;
    // One byte more than fits, so a path that fills the buffer exactly is seen as too long.
    char buf[4097];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf);
    if (n <= 0) {
        out[0] = '\0';
        return 0;
    }
    if (static_cast<size_t>(n) >= cap || static_cast<size_t>(n) >= sizeof buf) {
        out[0] = '\0';
        return -1;
    }
    for (ssize_t i = 0; i < n; ++i) out[i] = buf[i];
    out[n] = '\0';
    return static_cast<int>(n);
}

int start_detached_thread(int32_t (*entry)()) {
    try {
        std::thread([entry] { entry(); }).detach();
        return 0;
    } catch (const std::system_error&) {
        return -1;
    }
}

void sleep_ms(uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// --- Regular files ------------------------------------------------------------------

RegularFile::~RegularFile() {
    if (handle_ >= 0) close(static_cast<int>(handle_));
}

bool RegularFile::is_open() const { return handle_ >= 0; }

RegularFile::Open RegularFile::open(const char* path) {
    if (handle_ >= 0) close(static_cast<int>(handle_));
    handle_ = -1;
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Open::CannotOpen;
    struct stat info {};
    const Open result = fstat(fd, &info) != 0 ? Open::CannotOpen
                        : S_ISREG(info.st_mode) ? Open::Opened
                                                : Open::NotRegular;
    if (result == Open::Opened)
        handle_ = fd;
    else
        close(fd);
    return result;
}

bool RegularFile::stamp(FileStamp& out) const {
    struct stat info {};
    if (handle_ < 0 || fstat(static_cast<int>(handle_), &info) != 0) return false;
    out.size = static_cast<uint64_t>(info.st_size);
    out.modified = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return true;
}

long long RegularFile::read_at(uint64_t offset, void* buffer, size_t size) const {
    if (handle_ < 0) return -1;
    for (;;) {
        const ssize_t n = pread(static_cast<int>(handle_), buffer, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        return n;
    }
}

std::FILE* RegularFile::into_stream() {
    const int fd = static_cast<int>(handle_);
    handle_ = -1;
    if (fd < 0) return nullptr;
    lseek(fd, 0, SEEK_SET);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* stream = fdopen(fd, "rb");
    if (!stream) close(fd);
    return stream;
}

bool is_regular_file(const char* path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// --- Sockets ------------------------------------------------------------------------

int start_sockets() {
    return 0;
}

int wait_for_socket(SocketHandle socket, bool for_writing, int timeout_ms, int& error) {
    error = 0;
    pollfd fd{socket, static_cast<short>(for_writing ? POLLOUT : POLLIN), 0};
    const int ready = poll(&fd, 1, timeout_ms);
    if (ready > 0) return 1;
    if (ready == 0 || errno == EINTR) return 0;
    error = errno;
    return -1;
}

namespace {

using Clock = std::chrono::steady_clock;

constexpr int AbandonCheckMs = 100;

// The socket bound where the target says it must leave, with the options the runtime
// gives its own connections (no delay for small requests); 0 or the error.
int prepare(int fd, const TcpTarget& target) {
    if (!target.device.empty() &&
        setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, target.device.c_str(), static_cast<socklen_t>(target.device.size())) != 0)
        return errno;
    if (any_address(target.local_address)) {
        const sockaddr_in local = socket_address(target.local_address, 0);
        if (bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) return errno;
    }
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return 0;
}

// Waits for a connection in progress: 0 once it is made, or the error.
int wait_connected(int fd, Clock::time_point deadline, const std::atomic<bool>* abandon) {
    for (;;) {
        if (abandon && abandon->load(std::memory_order_acquire)) return ConnectAbandoned;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return ETIMEDOUT;
        pollfd waiting{fd, POLLOUT, 0};
        const int ready = poll(&waiting, 1, static_cast<int>(std::min<long long>(left, AbandonCheckMs)));
        if (ready < 0 && errno != EINTR) return errno;
        if (ready <= 0) continue;
        int error = 0;
        socklen_t size = sizeof error;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return errno;
        return error;
    }
}

}  // namespace

SocketHandle connect_tcp(const TcpTarget& target, int timeout_ms, const std::atomic<bool>* abandon, int& error) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        error = errno;
        return InvalidSocket;
    }
    error = prepare(fd, target);
    if (error == 0) {
        const sockaddr_in peer = socket_address(target.address, target.port);
        if (connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0)
            error = errno == EINPROGRESS ? wait_connected(fd, deadline, abandon) : errno;
    }
    if (error != 0) {
        close(fd);
        return InvalidSocket;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

void close_socket(SocketHandle socket) { close(socket); }

std::string socket_error_text(int error) {
    return error == ConnectAbandoned ? "abandoned on request" : std::strerror(error);
}

namespace {

long long moved(ssize_t n, int& error) {
    error = 0;
    if (n >= 0) return n;
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) error = errno;
    return -1;
}

}  // namespace

long long receive_now(SocketHandle socket, char* buffer, size_t size, int& error) {
    return moved(recv(socket, buffer, size, MSG_DONTWAIT), error);
}

long long send_now(SocketHandle socket, const char* data, size_t size, int& error) {
    return moved(send(socket, data, size, MSG_DONTWAIT | MSG_NOSIGNAL), error);
}

}  // namespace platform

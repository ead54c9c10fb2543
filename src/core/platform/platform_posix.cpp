#include "platform/platform.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

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

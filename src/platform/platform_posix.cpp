#include "platform/platform.h"

#include <chrono>
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

std::FILE* open_file(const char* path, const char* mode) {
    return std::fopen(path, mode);
}

int start_sockets() {
    return 0;
}

}  // namespace platform

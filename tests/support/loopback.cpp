#include "loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <random>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::string random_loopback() {
    static std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> part(1, 254);
    return "127." + std::to_string(part(random)) + "." + std::to_string(part(random)) + "." +
           std::to_string(part(random));
}

// Binds and closes at once: the address is free for 5555 now.
int probe_bind(const std::string& address) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return -1;
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(5555);
    inet_pton(AF_INET, address.c_str(), &where.sin_addr);
    const int result = bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where);
    close(fd);
    return result;
}

}  // namespace

std::string claim_loopback_address(const std::function<int(const std::string&)>& listen) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        const std::string address = random_loopback();
        if (listen(address) == 0) return address;
    }
    return {};
}

std::string unused_loopback_address() { return claim_loopback_address(probe_bind); }

#include "sim_system.h"

namespace {

void next_mac(uint8_t mac[6]) {
    for (int i = 5; i >= 0; --i)
        if (++mac[i] != 0) return;
}

void next_address(uint8_t ipv4[4], uint8_t first_host) {
    ipv4[3] = ipv4[3] >= 254 ? first_host : static_cast<uint8_t>(ipv4[3] + 1);
}

}  // namespace

std::vector<SimIdentity> consecutive_identities(const SimIdentity& first, int count) {
    std::vector<SimIdentity> identities;
    SimIdentity next = first;
    for (int i = 0; i < count; ++i) {
        identities.push_back(next);
        next_mac(next.mac);
        next_address(next.ipv4, first.ipv4[3]);
    }
    return identities;
}

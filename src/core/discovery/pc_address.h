// An IPv4 address of this PC, on whichever interface holds it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

struct PcAddress {
    std::array<uint8_t, 4> address;  // network order
    std::string device;              // the capture device name
};

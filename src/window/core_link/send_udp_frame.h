// The tool's raw frames go out on the chosen interface.
#pragma once

#include <cstdint>

// Sends payload (NUL-terminated, at most 58 characters) from UDP port 5555 to 8989 in
// one raw frame on InterfaceTable[ChosenInterface]. MACs are 6 bytes in wire order,
// addresses 4 bytes in network order. 0 when the frame was sent; -1 when no valid
// interface is chosen, the payload is too long, the device cannot be opened or the
// send fails. Nothing is printed.
int32_t send_udp_frame(const char* payload, const uint8_t source_mac[6],
                       const uint8_t destination_mac[6], const uint8_t source_ipv4[4],
                       const uint8_t destination_ipv4[4]);

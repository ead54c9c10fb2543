// The discovery side of a simulated Talvo system: what it does with one received frame.
// Pure apart from the address change it applies to the system, so it is testable
// without a network.
#pragma once

#include "sim_system.h"

#include <cstddef>
#include <cstdint>

enum class DiscoveryAction {
    Ignored,         // not a Discovery Protocol command for this system
    Reply,           // an IDENT: reply holds the IDENTREPLY frame to send
    AddressChanged,  // an IPADDR to this system's MAC and address: it took the new one
};

constexpr size_t ReplyBufferSize = 1514;  // one Ethernet frame without its check sequence

// Handles one captured frame. For Reply, the IDENTREPLY frame is written to reply
// (ReplyBufferSize bytes) and its length to *reply_length.
DiscoveryAction respond_to_frame(const uint8_t* frame, size_t captured_length, SimSystem& system,
                                 uint8_t* reply, int32_t* reply_length);

// Reads "a.b.c.d" (each 1 to 3 digits, leading zeros allowed, 0 to 255) exactly.
bool parse_ipaddr_fields(const char* text, size_t length, uint8_t out[4]);

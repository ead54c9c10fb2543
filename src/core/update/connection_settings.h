// How a DeviceConnection waits: its deadlines, its watch for a vanished system and what
// a reply may hold.
#pragma once

#include "update/dead_peer.h"
#include "update/reply_guard.h"

#include <cstdint>

// The deadline of one call runs from its start to the end of its reply. A live system
// answers a call within seconds; installing an image (the closing calls and the
// validation) may take it minutes, and the progress screen asks for two.
constexpr uint32_t RealCallDeadlineMs = 60 * 1000;
constexpr uint32_t RealInstallDeadlineMs = 10 * 60 * 1000;

struct ConnectionSettings {
    uint32_t call_deadline_ms = RealCallDeadlineMs;  // also bounds the TCP connect
    uint32_t install_deadline_ms = RealInstallDeadlineMs;
    DeadPeerTimings dead_peer = RealDeadPeerTimings;
    ReplyLimits limits;
};

// Which deadline a call gets.
enum class CallLength { Short, Install };

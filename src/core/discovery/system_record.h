// One Talvo system found by a discovery scan.
#pragma once

#include <cstdint>

struct SystemRecord {
    char ip_text[32];
    uint8_t ipv4[4];
    char type_text[255];
    char firmware_text[255];
    char serial_text[255];
    uint8_t reply_headers[255];     // Ethernet, IPv4 and UDP headers of the answer
    int32_t reply_headers_length;
};

// A scan keeps at most this many answers; later ones are counted, never stored, so
// a flood of answers cannot take the memory. The system list shows the first 100.
constexpr int32_t ScanRecordLimit = 1024;

// What became of an answer handed to a scan's store.
enum class AnswerStore { Stored, Full, Failed };

// The system's MAC address: the Ethernet source address of its answer.
inline const uint8_t* system_mac(const SystemRecord& record) { return record.reply_headers + 6; }

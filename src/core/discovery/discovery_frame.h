// Turning captured IDENTREPLY frames into SystemRecords.
#pragma once

#include "discovery/system_record.h"

#include <cstddef>
#include <cstdint>

// A field of an IDENTREPLY ends within this many characters.
constexpr size_t IdentFieldLimit = 243;
// Room for one field and its NUL.
constexpr size_t IdentFieldSize = 255;

// What one captured frame turned out to be.
enum class FrameKind {
    Other,    // no IDENTREPLY: another UDP frame, the tool's own request, a short frame
    Answer,   // an IDENTREPLY that a Talvo system can have sent
    Refused,  // shaped like an IDENTREPLY, but forged or broken: no Talvo system sends it
};

// Every byte an answer is read for lies within this many bytes of its frame: the
// Ethernet, IPv4 (with options) and UDP headers, the tag and word, and both fields with
// their spaces. A capture needs to keep no more of each frame.
constexpr size_t AnswerSnapshotLength = 1024;

// Reads one captured frame of captured_length bytes, of wire_length bytes on the wire
// (more when the capture kept only its start; 0: as many as were captured). For an
// Answer, *out holds its record. Refused are answers whose IPv4 total length or UDP
// length disagree with the frame, whose source address no device can have or is
// own_ipv4 (the PC's address on the interface; 0.0.0.0 or nullptr for none), whose
// source MAC is a group address, or whose first field has no space. Nothing is read
// past captured_length, nor past the end of the IPv4 datagram.
FrameKind read_answer_frame(const uint8_t* frame, size_t captured_length, const uint8_t* own_ipv4,
                            SystemRecord* out, size_t wire_length = 0);

// Reads type and firmware from a UDP payload of length bytes that begins with the
// tag. Returns -1 when it is no IDENTREPLY or the text ends (NUL or end of data), or
// has no space, within the first field's 243 characters; else 0. A non-empty field
// replaces the text in type or firmware (IdentFieldSize bytes each) whole; an empty
// one leaves it. The firmware ends at a space, the text's end, or after 243 characters.
int32_t parse_identreply(const char* payload, size_t length, char* type, char* firmware);

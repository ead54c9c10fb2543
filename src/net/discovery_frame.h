// Turning captured IDENTREPLY frames into SystemRecords.
#pragma once

#include <cstddef>
#include <cstdint>

// A field of an IDENTREPLY ends within this many characters.
constexpr size_t IdentFieldLimit = 243;
// Room for one field and its NUL.
constexpr size_t IdentFieldSize = 255;

// Examines one captured frame of captured_length bytes and appends a SystemRecord
// when it carries an IDENTREPLY. Frames too short for their headers, with an IPv4
// header under 5 words, or not IDENTREPLYs are ignored; nothing is read past
// captured_length.
void handle_discovery_frame(const uint8_t* frame, size_t captured_length);

// Reads type and firmware from a UDP payload of length bytes that begins with the
// tag. Returns -1 when it is no IDENTREPLY or the text ends (NUL or end of data), or
// has no space, within the first field's 243 characters; else 0. A non-empty field
// replaces the text in type or firmware (IdentFieldSize bytes each) whole; an empty
// one leaves it. The firmware ends at a space, the text's end, or after 243 characters.
int32_t parse_identreply(const char* payload, size_t length, char* type, char* firmware);

// IPv4 addresses as text: the four bytes in "%d.%d.%d.%d", at most 15 characters.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t DottedDecimalSize = 16;  // 15 characters and the NUL

// Writes the four bytes (network order) as dotted-decimal text into out (out_size
// bytes, cut to fit with its NUL).
void format_dotted_decimal(const uint8_t address[4], char* out, size_t out_size);

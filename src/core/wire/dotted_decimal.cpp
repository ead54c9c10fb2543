#include "wire/dotted_decimal.h"

#include <cstdio>

void format_dotted_decimal(const uint8_t address[4], char* out, size_t out_size) {
    if (out_size == 0) return;
    std::snprintf(out, out_size, "%d.%d.%d.%d", address[0], address[1], address[2], address[3]);
}

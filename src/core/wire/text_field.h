// Copying text into the fixed, NUL-terminated arrays of the program's records.
#pragma once

#include <cstddef>

// Copies at most width - 1 characters of src (up to its NUL) into dst and always
// terminates it, so every field ends with a NUL inside its width. width must be > 0.
inline void copy_text_field(char* dst, size_t width, const char* src) {
    size_t i = 0;
    for (; i + 1 < width && src[i] != '\0'; ++i) dst[i] = src[i];
    dst[i] = '\0';
}

#include "platform/utf8.h"

#include <cstdint>
#include <cstring>

namespace platform {

size_t utf8_sequence_length(const char* text, size_t left) {
    if (left == 0) return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    size_t length;
    uint32_t code, least;
    if (p[0] < 0x80) return 1;
    if ((p[0] & 0xE0) == 0xC0) length = 2, code = p[0] & 0x1F, least = 0x80;
    else if ((p[0] & 0xF0) == 0xE0) length = 3, code = p[0] & 0x0F, least = 0x800;
    else if ((p[0] & 0xF8) == 0xF0) length = 4, code = p[0] & 0x07, least = 0x10000;
    else return 0;
    if (length > left) return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

bool is_valid_utf8(const char* text) {
    for (size_t left = std::strlen(text); left > 0;) {
        const size_t n = utf8_sequence_length(text, left);
        if (n == 0) return false;
        text += n;
        left -= n;
    }
    return true;
}

}  // namespace platform

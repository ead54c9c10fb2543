#include "base64.h"

namespace talvo_sim {

namespace {

int sextet(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

bool decode_base64(std::string_view text, std::vector<uint8_t>& out) {
    uint32_t bits = 0;
    int count = 0;  // sextets in bits
    int padding = 0;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        if (c == '=') {
            ++padding;
            continue;
        }
        const int value = sextet(c);
        if (value < 0 || padding > 0) return false;
        bits = (bits << 6) | static_cast<uint32_t>(value);
        if (++count == 4) {
            out.push_back(static_cast<uint8_t>(bits >> 16));
            out.push_back(static_cast<uint8_t>(bits >> 8));
            out.push_back(static_cast<uint8_t>(bits));
            bits = 0;
            count = 0;
        }
    }
    if (count == 0) return padding == 0;
    if (count == 1 || count + padding != 4) return false;
    bits <<= 6 * (4 - count);
    out.push_back(static_cast<uint8_t>(bits >> 16));
    if (count == 3) out.push_back(static_cast<uint8_t>(bits >> 8));
    return true;
}

}  // namespace talvo_sim

#include "cli/json_text.h"

#include "platform/utf8.h"

#include <cstdio>

namespace {

// Length of the UTF-8 sequence at text[i], or 0 when none starts there.
size_t utf8_sequence(const std::string& text, size_t i) {
    return platform::utf8_sequence_length(text.data() + i, text.size() - i);
}

}  // namespace

std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t n = c >= 0x80 ? utf8_sequence(text, i) : 1;
        char escaped[8];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7f || (c >= 0x80 && n == 0)) {
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);  // Latin-1 for a stray byte
            out += escaped;
        } else {
            out.append(text, i, n);
            i += n;
            continue;
        }
        ++i;
    }
    return out + "\"";
}

std::string text_or_null(const std::string& text) { return text.empty() ? "null" : json_string(text); }

// Telling valid UTF-8 from other bytes: texts from systems and from file names may be
// either, and are shown as UTF-8 only when they are valid.
#pragma once

#include <cstddef>

namespace platform {

// The length (1 to 4) of the strict UTF-8 sequence at text, of at most left bytes: no
// overlong form, no surrogate, nothing past U+10FFFF. 0 when none starts there.
size_t utf8_sequence_length(const char* text, size_t left);

// true when the NUL-terminated text is strict UTF-8 throughout.
bool is_valid_utf8(const char* text);

}  // namespace platform

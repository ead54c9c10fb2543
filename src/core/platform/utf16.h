// Between the program's UTF-8 text and the UTF-16 of the Windows API. Windows names
// may hold unpaired surrogates; those travel as their 3-byte UTF-8 forms (WTF-8), so a
// name read from a directory opens again after the round trip.
#pragma once

#include <string>

namespace platform {

// UTF-8 (or WTF-8) to UTF-16. A byte that starts no valid sequence becomes U+FFFD.
std::u16string utf8_to_utf16(const std::string& text);

// UTF-16 to UTF-8; an unpaired surrogate is written as its own 3-byte form.
std::string utf16_to_utf8(const std::u16string& text);

}  // namespace platform

// File names compared the way the Windows file search compares them: ASCII letters
// without regard to case, every other byte as it is.
#pragma once

#include <cstring>
#include <string>

namespace platform {

inline unsigned char capital(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// Whether name ends with extension (".firm"), in any case.
inline bool ends_with_without_case(const std::string& name, const char* extension) {
    const size_t n = std::strlen(extension);
    if (name.size() < n) return false;
    const size_t start = name.size() - n;
    for (size_t i = 0; i < n; ++i)
        if (capital(static_cast<unsigned char>(name[start + i])) != capital(static_cast<unsigned char>(extension[i])))
            return false;
    return true;
}

}  // namespace platform

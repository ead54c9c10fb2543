#include "platform/platform.h"

#include "platform/name_case.h"
#include "platform/utf16.h"

#include <windows.h>

#include <cstring>

namespace platform {

namespace {

struct SearchCloser {
    HANDLE handle;
    ~SearchCloser() { FindClose(handle); }
};

}  // namespace

int find_files_with_extension(const char* directory, const char* extension,
                              std::vector<std::string>& names) {
    names.clear();
    const std::u16string pattern = utf8_to_utf16(std::string(directory) + "\\*" + extension);
    WIN32_FIND_DATAW found;
    HANDLE handle = FindFirstFileW(reinterpret_cast<const wchar_t*>(pattern.c_str()), &found);
    if (handle == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
    SearchCloser closer{handle};
    do {
        std::string name = utf16_to_utf8(reinterpret_cast<const char16_t*>(found.cFileName));
        // The search also matches names through their 8.3 short forms ("*.firm" can find a
        // long name whose short name fits); only the long name's own extension counts.
        if (ends_with_without_case(name, extension)) names.push_back(std::move(name));
    } while (FindNextFileW(handle, &found));
    const DWORD error = GetLastError();
    if (error != ERROR_NO_MORE_FILES) {
        names.clear();
        return static_cast<int>(error);
    }
    return names.empty() ? ERROR_FILE_NOT_FOUND : 0;
}

}  // namespace platform

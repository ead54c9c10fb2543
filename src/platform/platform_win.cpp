#include "platform/platform.h"

#include "platform/utf16.h"

#include <winsock2.h>
#include <windows.h>

#include <cstring>

namespace platform {

namespace {

const wchar_t* wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

DWORD WINAPI run_entry(LPVOID entry) {
    return static_cast<DWORD>(reinterpret_cast<int32_t (*)()>(entry)());
}

}  // namespace

const char NativeSeparator = '\\';

int executable_path(char* out, size_t cap) {
    if (cap == 0) return -1;
    out[0] = '\0';
    // Long paths (\\?\...) may exceed MAX_PATH: ask with a buffer that holds any.
    std::u16string path(32768, u'\0');
    const DWORD n = GetModuleFileNameW(GetModuleHandleW(nullptr),
                                       reinterpret_cast<wchar_t*>(&path[0]),
                                       static_cast<DWORD>(path.size()));
    if (n == 0 || n >= path.size()) return 0;
    path.resize(n);
    const std::string text = utf16_to_utf8(path);
    if (text.size() >= cap) return -1;
    std::memcpy(out, text.c_str(), text.size() + 1);
    return static_cast<int>(text.size());
}

int start_detached_thread(int32_t (*entry)()) {
    HANDLE thread = CreateThread(nullptr, 0, run_entry, reinterpret_cast<LPVOID>(entry), 0, nullptr);
    if (thread == nullptr) return -1;
    CloseHandle(thread);  // the thread runs on; nobody waits for it
    return 0;
}

void sleep_ms(uint32_t ms) {
    Sleep(ms);
}

std::FILE* open_file(const char* path, const char* mode) {
    return _wfopen(wide(utf8_to_utf16(path)), wide(utf8_to_utf16(mode)));
}

int start_sockets() {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data);
}

}  // namespace platform

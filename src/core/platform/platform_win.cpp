#include "platform/platform.h"
#include "platform/socket_address.h"

#include "platform/utf16.h"

#include <winsock2.h>
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>

namespace platform {

namespace {

const wchar_t* wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

DWORD WINAPI run_entry(LPVOID entry) {
    return static_cast<DWORD>(reinterpret_cast<int32_t (*)()>(entry)());
}

HANDLE as_handle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

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

// --- Regular files ------------------------------------------------------------------

namespace {

// Directories open too (backup semantics), to be told apart from a missing file.
HANDLE open_existing(const char* path, DWORD access, DWORD sharing) {
    return CreateFileW(wide(utf8_to_utf16(path)), access, sharing, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// A file on a disk, not a directory: not a pipe, a console or another device.
bool is_regular(HANDLE handle, BY_HANDLE_FILE_INFORMATION& info) {
    if (GetFileType(handle) != FILE_TYPE_DISK) return false;
    if (!GetFileInformationByHandle(handle, &info)) return false;
    return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

RegularFile::~RegularFile() {
    if (handle_ != -1) CloseHandle(as_handle(handle_));
}

bool RegularFile::is_open() const { return handle_ != -1; }

RegularFile::Open RegularFile::open(const char* path) {
    if (handle_ != -1) CloseHandle(as_handle(handle_));
    handle_ = -1;
    // Readers may share it, and it may be renamed or deleted (its data stays readable),
    // but nobody may write it: what is read is the file as it was opened.
    HANDLE handle = open_existing(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE);
    if (handle == INVALID_HANDLE_VALUE) return Open::CannotOpen;
    BY_HANDLE_FILE_INFORMATION info;
    if (!is_regular(handle, info)) {
        CloseHandle(handle);
        return Open::NotRegular;
    }
    handle_ = reinterpret_cast<std::intptr_t>(handle);
    return Open::Opened;
}

bool RegularFile::stamp(FileStamp& out) const {
    BY_HANDLE_FILE_INFORMATION info;
    if (handle_ == -1 || !GetFileInformationByHandle(as_handle(handle_), &info)) return false;
    out.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    out.modified = static_cast<int64_t>((static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                        info.ftLastWriteTime.dwLowDateTime);
    return true;
}

long long RegularFile::read_at(uint64_t offset, void* buffer, size_t size) const {
    if (handle_ == -1) return -1;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD n = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
    if (ReadFile(as_handle(handle_), buffer, want, &n, &at)) return n;
    return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
}

std::FILE* RegularFile::into_stream() {
    const std::intptr_t handle = handle_;
    handle_ = -1;
    if (handle == -1) return nullptr;
    // Reads at an offset move the file pointer of a Windows handle.
    const LARGE_INTEGER start{};
    SetFilePointerEx(as_handle(handle), start, nullptr, FILE_BEGIN);
    const int fd = _open_osfhandle(handle, _O_RDONLY | _O_BINARY);
    if (fd == -1) {
        CloseHandle(as_handle(handle));
        return nullptr;
    }
    std::FILE* stream = _fdopen(fd, "rb");
    if (!stream) _close(fd);  // closes the handle
    return stream;
}

bool is_regular_file(const char* path) {
    HANDLE handle = open_existing(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (handle == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool regular = is_regular(handle, info);
    CloseHandle(handle);
    return regular;
}

// --- Sockets ------------------------------------------------------------------------

int start_sockets() {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data);
}

int wait_for_socket(SocketHandle socket, bool for_writing, int timeout_ms, int& error) {
    error = 0;
    fd_set set;
    FD_ZERO(&set);
    FD_SET(static_cast<SOCKET>(socket), &set);
    timeval timeout{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
    // Winsock's select ignores its first argument and takes any socket.
    const int ready = select(0, for_writing ? nullptr : &set, for_writing ? &set : nullptr, nullptr, &timeout);
    if (ready > 0) return 1;
    if (ready == 0) return 0;
    error = WSAGetLastError();
    if (error == WSAEINTR) {
        error = 0;
        return 0;
    }
    return -1;
}

namespace {

using Clock = std::chrono::steady_clock;

constexpr int AbandonCheckMs = 100;

// Windows chooses the interface by the local address a socket is bound to.
int prepare(SOCKET s, const TcpTarget& target) {
    if (any_address(target.local_address)) {
        const sockaddr_in local = socket_address(target.local_address, 0);
        if (bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) return WSAGetLastError();
    }
    BOOL on = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    u_long nonblocking = 1;
    return ioctlsocket(s, FIONBIO, &nonblocking) == 0 ? 0 : WSAGetLastError();
}

int wait_connected(SOCKET s, Clock::time_point deadline, const std::atomic<bool>* abandon) {
    for (;;) {
        if (abandon && abandon->load(std::memory_order_acquire)) return ConnectAbandoned;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return WSAETIMEDOUT;
        const long slice = static_cast<long>(std::min<long long>(left, AbandonCheckMs));
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(s, &writable);
        FD_SET(s, &failed);
        timeval timeout{slice / 1000, (slice % 1000) * 1000};
        const int ready = select(0, nullptr, &writable, &failed, &timeout);
        if (ready == SOCKET_ERROR) return WSAGetLastError();
        if (ready == 0) continue;
        int error = 0;
        int size = sizeof error;
        if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0) return WSAGetLastError();
        return error;
    }
}

}  // namespace

SocketHandle connect_tcp(const TcpTarget& target, int timeout_ms, const std::atomic<bool>* abandon, int& error) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) {
        error = WSAGetLastError();
        return InvalidSocket;
    }
    error = prepare(s, target);
    if (error == 0) {
        const sockaddr_in peer = socket_address(target.address, target.port);
        if (connect(s, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
            error = WSAGetLastError();
            if (error == WSAEWOULDBLOCK) error = wait_connected(s, deadline, abandon);
        }
    }
    if (error != 0) {
        closesocket(s);
        return InvalidSocket;
    }
    return static_cast<SocketHandle>(s);
}

void close_socket(SocketHandle socket) { closesocket(static_cast<SOCKET>(socket)); }

std::string socket_error_text(int error) {
    if (error == ConnectAbandoned) return "abandoned on request";
    char text[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, static_cast<DWORD>(error), 0,
                   text, sizeof text, nullptr);
    std::string message(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message.empty() ? "error " + std::to_string(error) : message;
}

namespace {

// Winsock has no per-call flag for it: the socket itself is made never to wait.
bool never_wait(SocketHandle socket, int& error) {
    u_long on = 1;
    if (ioctlsocket(static_cast<SOCKET>(socket), FIONBIO, &on) == 0) return true;
    error = WSAGetLastError();
    return false;
}

long long moved(int n, int& error) {
    error = 0;
    if (n != SOCKET_ERROR) return n;
    const int code = WSAGetLastError();
    if (code != WSAEWOULDBLOCK && code != WSAEINTR) error = code;
    return -1;
}

int chunk(size_t size) { return static_cast<int>(std::min<size_t>(size, INT_MAX)); }

}  // namespace

long long receive_now(SocketHandle socket, char* buffer, size_t size, int& error) {
    if (!never_wait(socket, error)) return -1;
    return moved(recv(static_cast<SOCKET>(socket), buffer, chunk(size), 0), error);
}

// Windows raises no signal for a closed peer: the send fails with an error.
long long send_now(SocketHandle socket, const char* data, size_t size, int& error) {
    if (!never_wait(socket, error)) return -1;
    return moved(send(static_cast<SOCKET>(socket), data, chunk(size), 0), error);
}

}  // namespace platform

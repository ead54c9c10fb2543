// The few operating-system services the program needs, behind one narrow interface,
// so the rest of the code builds unchanged on Linux and on Windows.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace platform {

// Paths and names are UTF-8 throughout the program; on Windows they are converted to
// and from the system's UTF-16 at this boundary, so every name is shown and opened as
// it is.

// Full path of the running executable, NUL-terminated, into out (cap bytes).
// Returns its length, 0 when the platform cannot tell, or -1 when it does not fit.
int executable_path(char* out, size_t cap);

// The directory separator in the paths executable_path() gives.
extern const char NativeSeparator;

// Starts entry() on a thread of its own that is never joined. Returns 0, or -1 when
// the thread could not be created.
int start_detached_thread(int32_t (*entry)());

// Suspends the calling thread for ms milliseconds.
void sleep_ms(uint32_t ms);

// --- Regular files ------------------------------------------------------------------
// Files the program reads whole (firmware images, fonts, pictures): opened only when
// they are regular files, and never with a wait (a FIFO or a device in their place is
// refused, not read without end).

// When a file last changed: its size and modification time, in the system's units.
struct FileStamp {
    uint64_t size = 0;
    int64_t modified = 0;
    bool operator==(const FileStamp& other) const { return size == other.size && modified == other.modified; }
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};

class RegularFile {
public:
    RegularFile() = default;
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    enum class Open { Opened, CannotOpen, NotRegular };
    // Opens the file at path (UTF-8) for reading. On Windows nobody may write it while
    // it is open (renaming or deleting it stays possible), and a file that a writer
    // has open cannot be opened: CannotOpen.
    Open open(const char* path);
    bool is_open() const;

    // The file's stamp now; false when it cannot be read.
    bool stamp(FileStamp& out) const;
    // Reads at most size bytes from offset: the count read, 0 at the end, -1 on error.
    long long read_at(uint64_t offset, void* buffer, size_t size) const;
    // A C stream reading the file from its start, which from then on owns it (this
    // object is left closed); null when none can be made (the file is closed then).
    std::FILE* into_stream();

private:
    std::intptr_t handle_ = -1;  // a descriptor, or a Windows HANDLE
};

// Whether path (UTF-8) names a regular file, or a link to one.
bool is_regular_file(const char* path);

// --- Sockets ------------------------------------------------------------------------
// Starts the system's socket layer for the TCP connections (Winsock on Windows; nothing
// elsewhere). 0, or the system's error number.
int start_sockets();

// A connected socket as the system gives it: a descriptor, or Winsock's SOCKET.
#ifdef _WIN32
using SocketHandle = std::uintptr_t;
#else
using SocketHandle = int;
#endif

// Waits at most timeout_ms until socket can be read (or written, with for_writing):
// 1 when it can, 0 when the time passed, -1 on an error (its number in error).
int wait_for_socket(SocketHandle socket, bool for_writing, int timeout_ms, int& error);

constexpr SocketHandle InvalidSocket = static_cast<SocketHandle>(-1);

// Where a TCP connection goes, and the one way it may take.
struct TcpTarget {
    uint8_t address[4];     // the peer, network order
    uint16_t port;
    // Leaves only through this network interface, whatever the routes say (Linux, by its
    // name; needs the raw-network capability). Empty: by the routes.
    std::string device;
    // Leaves from this local address (Windows' way of choosing the interface); 0.0.0.0: any.
    uint8_t local_address[4];
};

// The error of a connection given up on request.
constexpr int ConnectAbandoned = -1;

// Connects to target within timeout_ms, giving up early when *abandon (may be null)
// becomes true. The connected socket, or InvalidSocket with the system's error number
// in error (ETIMEDOUT or WSAETIMEDOUT when the time passed; ConnectAbandoned).
SocketHandle connect_tcp(const TcpTarget& target, int timeout_ms, const std::atomic<bool>* abandon, int& error);
void close_socket(SocketHandle socket);
// The system's text for an error number of the socket calls.
std::string socket_error_text(int error);

// One receive or send that never waits, and never raises a signal for a closed peer:
// the bytes moved (0 from receive_now: the peer ended the stream), or -1 with error 0
// when nothing can move yet, or with the system's error number.
long long receive_now(SocketHandle socket, char* buffer, size_t size, int& error);
long long send_now(SocketHandle socket, const char* data, size_t size, int& error);

// --- Directory search -------------------------------------------------------------
// The names in directory that match "*" followed by extension (".firm"), the way the
// Windows file search matches them: the extension is compared without regard to case,
// and a name that is the extension alone matches. Every kind of entry counts.
// Names come without a directory part, in the order the Windows search gives on its
// usual file system: alphabetical without regard to case (letters compared as capitals);
// on Windows they are that search's own answers.
// Returns 0 with at least one name, or the platform's error number: ENOENT (2) when
// nothing matches, whatever stopped the directory from being read otherwise (on
// Windows GetLastError's number: 2 when nothing matches, 3 when the path is missing).
int find_files_with_extension(const char* directory, const char* extension,
                              std::vector<std::string>& names);

}  // namespace platform

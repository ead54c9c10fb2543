// The few operating-system services the program needs, behind one narrow interface,
// so the rest of the code builds unchanged on Linux and on Windows.
#pragma once

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

// Opens a file by its UTF-8 path, as std::fopen does.
std::FILE* open_file(const char* path, const char* mode);

// Starts the system's socket layer for the TCP connections (Winsock on Windows; nothing
// elsewhere). 0, or the system's error number.
int start_sockets();

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

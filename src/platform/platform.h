// The few operating-system services the program needs, behind one narrow interface,
// so the rest of the code builds unchanged on Linux and on Windows.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

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

}  // namespace platform

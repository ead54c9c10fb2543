// Loading a firmware file (and its SD board file system) into one system.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t UpdateErrorTextSize = 256;

// The reason of the last failure; written before UpdateStatus becomes 10.
extern char UpdateErrorText[UpdateErrorTextSize];

// printf into UpdateErrorText, cut to 255 characters.
void set_update_error(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The whole update of the system at address. 0 on success, a negative code otherwise.
int32_t run_firmware_update(const char* name, const char* path, const char* address);

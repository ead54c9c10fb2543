#include "toolkit/resource_path.h"

#include "platform/platform.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

char ResourceDir[ResourceDirSize] = {};

int derive_resource_dir(const char* exe_path, char separator, char* out) {
    out[0] = '\0';
    size_t n = exe_path ? std::strlen(exe_path) : 0;
    if (n == 0 || n >= ResourceDirSize) return -1;
    std::memcpy(out, exe_path, n + 1);
    size_t j = 0;
    for (size_t i = n - 1; i >= 1; --i) {
        if (out[i] == separator) {
            j = i;
            break;
        }
    }
    out[j] = '\0';
    for (size_t i = 0; i < j; ++i) {
        if (out[i] == separator) out[i] = '/';
    }
    return 0;
}

int resolve_resource_dir() {
    char path[ResourceDirSize];
    int n = platform::executable_path(path, sizeof path);
    if (n < 0) {
        std::printf("The executable's path is longer than %zu characters; "
                    "move the program to a shorter path\n", ResourceDirSize - 1);
        return -1;
    }
    if (n == 0 || derive_resource_dir(path, platform::NativeSeparator, ResourceDir) != 0) {
        std::printf("The executable's path cannot be found\n");
        return -1;
    }
    return 0;
}

int format_bounded(char* out, size_t cap, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(out, cap, format, args);
    va_end(args);
    return (n >= 0 && static_cast<size_t>(n) < cap) ? 0 : -1;
}

int format_resource_path(char* out, const char* path_template) {
    if (format_bounded(out, ResourcePathSize, path_template, ResourceDir) == 0) return 0;
    std::printf("Resource path too long: %s\n", out);
    out[0] = '\0';
    return -1;
}

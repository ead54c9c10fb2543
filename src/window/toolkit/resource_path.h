// ResourceDir: the directory of the running executable, under which the fonts, images
// and firmware files lie, with '/' separators and no trailing separator.
#pragma once

#include <cstddef>

constexpr size_t ResourceDirSize = 256;   // 255 characters and the terminator
constexpr size_t ResourcePathSize = 255;  // a composed resource path: 254 characters at most

extern char ResourceDir[ResourceDirSize];

// Derives the directory from an executable's full path, the way ResourceDir holds it:
// the text before the last separator (found at index 1 or later; none leaves it empty),
// with every remaining separator written as '/'. out has ResourceDirSize bytes.
// Returns 0, or -1 when the path is empty or longer than the buffer holds (out empty).
int derive_resource_dir(const char* exe_path, char separator, char* out);

// Fills ResourceDir from the platform's executable path. 0, or -1 with a message on
// standard output when the path cannot be had or does not fit.
int resolve_resource_dir();

// printf into out (cap bytes). 0 when the whole text fit, -1 when it was cut.
int format_bounded(char* out, size_t cap, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Formats a template such as "%s/img/rescan.bmp" with ResourceDir into out, a buffer
// of ResourcePathSize bytes. 0, or -1 with a message when the path would be cut.
int format_resource_path(char* out, const char* path_template);

// The window's diagnostic lines: the core's Out lines on standard output, its Err lines
// on standard error, as they come (SDL's start-up wrapper may send both to files).
#pragma once

#include "diagnostics/diagnostic_sink.h"

#include <cstdio>
#include <string>

inline void print_diagnostic(DiagnosticStream stream, const std::string& line) {
    std::fputs(line.c_str(), stream == DiagnosticStream::Out ? stdout : stderr);
}

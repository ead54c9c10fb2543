// Where the core's diagnostic lines go: the core prints nothing itself, each front end
// decides (the window prints them on standard output and standard error, talvo names
// the system they belong to).
#pragma once

#include <cstdarg>
#include <cstdio>
#include <functional>
#include <string>

// Out: progress and what the user should know; Err: what went wrong.
enum class DiagnosticStream { Out, Err };

// Takes one line, with its line end. May be empty: the lines are then dropped.
using DiagnosticSink = std::function<void(DiagnosticStream, const std::string& line)>;

// printf into one line for sink.
inline void emit_line(const DiagnosticSink& sink, DiagnosticStream stream, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

inline void emit_line(const DiagnosticSink& sink, DiagnosticStream stream, const char* format, ...) {
    if (!sink) return;
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    sink(stream, line);
}

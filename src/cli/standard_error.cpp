#include "cli/standard_error.h"

#include <cstdio>

void to_standard_error(DiagnosticStream, const std::string& line) { std::fprintf(stderr, "talvo: %s", line.c_str()); }

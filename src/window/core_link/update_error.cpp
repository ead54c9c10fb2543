#include "core_link/update_sequence.h"

#include <cstdarg>
#include <cstdio>

char UpdateErrorText[UpdateErrorTextSize] = {};

void set_update_error(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(UpdateErrorText, sizeof UpdateErrorText, format, args);
    va_end(args);
}

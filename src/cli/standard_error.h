// Where talvo's diagnostic lines go: standard error, each after "talvo: ", so they stay
// apart from a listing or a JSON document on standard output.
#pragma once

#include "diagnostics/diagnostic_sink.h"

#include <string>

void to_standard_error(DiagnosticStream stream, const std::string& line);

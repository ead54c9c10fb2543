// Texts as JSON values, for talvo's listings and records.
#pragma once

#include <string>

// A text as a JSON string, quotes included. Valid UTF-8 stays; other bytes are read
// as Latin-1.
std::string json_string(const std::string& text);

// A JSON value for text, or null when it is empty.
std::string text_or_null(const std::string& text);

// Reads back what talvo writes with --json: an array of objects whose values are
// strings, numbers, true, false, null or objects of such (their members flattened into
// "key.member"). Anything else is a parse failure, so a malformed listing fails the test.
#pragma once

#include <map>
#include <string>
#include <vector>

using JsonObject = std::map<std::string, std::string>;

// The value read for null.
constexpr char JsonNull[] = "(null)";

// false when text is not such an array (trailing whitespace allowed).
bool read_json_objects(const std::string& text, std::vector<JsonObject>* out);

// One such object alone, as a line of a log holds it.
bool read_json_object(const std::string& text, JsonObject* out);

// The rows of a CSV text (RFC 4180: quoted fields, doubled quotes, CRLF or LF line ends).
std::vector<std::vector<std::string>> read_csv(const std::string& text);

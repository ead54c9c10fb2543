// The small part of XML that SOAP envelopes use, read token by token from a buffer that
// may end in the middle of one (the rest has not arrived yet).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace talvo_sim {

struct XmlToken {
    enum class Type { Start, EmptyElement, End, Text, Other, Incomplete, Error };
    Type type = Type::Incomplete;
    std::string_view name;        // qualified name of Start, EmptyElement and End
    std::string_view attributes;  // what follows the name in a start tag
    std::string_view text;        // Text: raw, entities not decoded
    size_t end = 0;               // where the next token begins
};

// The token at pos. Text runs up to the next '<', so text at the end of data is
// Incomplete.
XmlToken next_xml_token(std::string_view data, size_t pos);

// The next name="value" of attributes, consuming it; false when none is left or the
// rest is not an attribute.
bool next_attribute(std::string_view& attributes, std::string_view& name, std::string_view& value);

// Character and the five predefined entity references replaced.
std::string decode_entities(std::string_view text);

bool is_xml_space(std::string_view text);

}  // namespace talvo_sim

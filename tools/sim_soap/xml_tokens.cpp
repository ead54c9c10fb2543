#include "xml_tokens.h"

#include <cstdlib>
#include <cstring>

namespace talvo_sim {

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool is_name_char(char c) {
    return !is_space(c) && c != '>' && c != '/' && c != '=' && c != '<' && c != '"' && c != '\'';
}

XmlToken incomplete() { return XmlToken{}; }

// rest begins with literal, or with as much of it as has arrived.
bool may_begin(std::string_view rest, std::string_view literal) {
    const size_t n = rest.size() < literal.size() ? rest.size() : literal.size();
    return rest.substr(0, n) == literal.substr(0, n);
}

XmlToken until(std::string_view data, size_t pos, std::string_view close, XmlToken::Type type) {
    const size_t found = data.find(close, pos);
    if (found == std::string_view::npos) return incomplete();
    XmlToken token;
    token.type = type;
    token.text = data.substr(pos, found - pos);
    token.end = found + close.size();
    return token;
}

XmlToken end_tag(std::string_view data, size_t pos) {
    size_t i = pos + 2;
    while (i < data.size() && is_name_char(data[i])) ++i;
    XmlToken token;
    token.name = data.substr(pos + 2, i - pos - 2);
    while (i < data.size() && is_space(data[i])) ++i;
    if (i >= data.size()) return incomplete();
    if (data[i] != '>' || token.name.empty()) {
        token.type = XmlToken::Type::Error;
        token.end = pos + 1;
        return token;
    }
    token.type = XmlToken::Type::End;
    token.end = i + 1;
    return token;
}

XmlToken start_tag(std::string_view data, size_t pos) {
    size_t i = pos + 1;
    while (i < data.size() && is_name_char(data[i])) ++i;
    XmlToken token;
    token.name = data.substr(pos + 1, i - pos - 1);
    const size_t attributes = i;
    char quote = 0;
    for (; i < data.size(); ++i) {
        const char c = data[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            break;
        }
    }
    if (i >= data.size()) return incomplete();
    const bool empty = i > attributes && data[i - 1] == '/';
    if (token.name.empty()) {
        token.type = XmlToken::Type::Error;
        token.end = pos + 1;
        return token;
    }
    token.type = empty ? XmlToken::Type::EmptyElement : XmlToken::Type::Start;
    token.attributes = data.substr(attributes, i - attributes - (empty ? 1 : 0));
    token.end = i + 1;
    return token;
}

}  // namespace

XmlToken next_xml_token(std::string_view data, size_t pos) {
    if (pos >= data.size()) return incomplete();
    if (data[pos] != '<') {
        const size_t next = data.find('<', pos);
        if (next == std::string_view::npos) return incomplete();
        XmlToken token;
        token.type = XmlToken::Type::Text;
        token.text = data.substr(pos, next - pos);
        token.end = next;
        return token;
    }
    if (data.size() - pos < 2) return incomplete();
    const std::string_view rest = data.substr(pos);
    if (rest[1] == '?') return until(data, pos, "?>", XmlToken::Type::Other);
    if (rest[1] == '!') {
        if (may_begin(rest, "<!--"))
            return rest.size() < 4 ? incomplete() : until(data, pos, "-->", XmlToken::Type::Other);
        if (may_begin(rest, "<![CDATA["))
            return rest.size() < 9 ? incomplete() : until(data, pos + 9, "]]>", XmlToken::Type::Text);
        return until(data, pos, ">", XmlToken::Type::Other);
    }
    if (rest[1] == '/') return end_tag(data, pos);
    return start_tag(data, pos);
}

bool next_attribute(std::string_view& attributes, std::string_view& name, std::string_view& value) {
    size_t i = 0;
    while (i < attributes.size() && is_space(attributes[i])) ++i;
    const size_t name_start = i;
    while (i < attributes.size() && is_name_char(attributes[i])) ++i;
    if (i == name_start) return false;
    name = attributes.substr(name_start, i - name_start);
    while (i < attributes.size() && is_space(attributes[i])) ++i;
    if (i >= attributes.size() || attributes[i] != '=') return false;
    ++i;
    while (i < attributes.size() && is_space(attributes[i])) ++i;
    if (i >= attributes.size() || (attributes[i] != '"' && attributes[i] != '\'')) return false;
    const char quote = attributes[i++];
    const size_t close = attributes.find(quote, i);
    if (close == std::string_view::npos) return false;
    value = attributes.substr(i, close - i);
    attributes.remove_prefix(close + 1);
    return true;
}

std::string decode_entities(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t semicolon = text[i] == '&' ? text.find(';', i) : std::string_view::npos;
        if (semicolon == std::string_view::npos) {
            out += text[i];
            continue;
        }
        const std::string_view entity = text.substr(i + 1, semicolon - i - 1);
        if (entity == "lt") out += '<';
        else if (entity == "gt") out += '>';
        else if (entity == "amp") out += '&';
        else if (entity == "quot") out += '"';
        else if (entity == "apos") out += '\'';
        else if (!entity.empty() && entity[0] == '#') {
            const std::string digits(entity.substr(1));
            const bool hex = !digits.empty() && (digits[0] == 'x' || digits[0] == 'X');
            const long code = std::strtol(digits.c_str() + (hex ? 1 : 0), nullptr, hex ? 16 : 10);
            out += static_cast<char>(code & 0x7F);  // the texts here are plain ASCII
        } else {
            out.append(text.substr(i, semicolon - i + 1));
        }
        i = semicolon;
    }
    return out;
}

bool is_xml_space(std::string_view text) {
    for (char c : text)
        if (!is_space(c)) return false;
    return true;
}

}  // namespace talvo_sim

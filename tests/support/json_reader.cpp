#include "json_reader.h"

#include <cctype>
#include <cstdlib>

namespace {

struct Reader {
    const std::string& text;
    size_t at = 0;

    void blanks() {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\n' || text[at] == '\r' || text[at] == '\t')) ++at;
    }
    bool take(char c) {
        blanks();
        if (at < text.size() && text[at] == c) {
            ++at;
            return true;
        }
        return false;
    }
    static void put_utf8(unsigned code, std::string* out) {
        if (code < 0x80) {
            *out += static_cast<char>(code);
        } else if (code < 0x800) {
            *out += static_cast<char>(0xC0 | code >> 6);
            *out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            *out += static_cast<char>(0xE0 | code >> 12);
            *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            *out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    bool string(std::string* out) {
        if (!take('"')) return false;
        while (at < text.size()) {
            const char c = text[at++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                *out += c;
                continue;
            }
            if (at >= text.size()) return false;
            const char e = text[at++];
            if (e == '"' || e == '\\' || e == '/') *out += e;
            else if (e == 'n') *out += '\n';
            else if (e == 't') *out += '\t';
            else if (e == 'u' && at + 4 <= text.size()) {
                put_utf8(static_cast<unsigned>(std::strtoul(text.substr(at, 4).c_str(), nullptr, 16)), out);
                at += 4;
            } else return false;
        }
        return false;
    }
    // A number, true, false or null, as its text (null as JsonNull).
    bool literal(std::string* out) {
        const size_t start = at;
        while (at < text.size() && (std::isalnum(static_cast<unsigned char>(text[at])) || text[at] == '.' ||
                                    text[at] == '-' || text[at] == '+'))
            ++at;
        *out = text.substr(start, at - start);
        if (*out == "null") {
            *out = JsonNull;
            return true;
        }
        if (*out == "true" || *out == "false") return true;
        char* end = nullptr;
        std::strtod(out->c_str(), &end);
        return !out->empty() && *end == '\0';
    }
    // One value under key; an object's members go in as "key.member", an array's
    // elements as "key.0", "key.1", ...
    bool value(const std::string& key, JsonObject* out) {
        blanks();
        if (at < text.size() && text[at] == '[') {
            ++at;
            if (take(']')) return true;
            size_t i = 0;
            do {
                if (!value(key + "." + std::to_string(i++), out)) return false;
            } while (take(','));
            return take(']');
        }
        if (at < text.size() && text[at] == '{') {
            JsonObject inner;
            if (!object(&inner)) return false;
            for (const auto& [member, v] : inner) (*out)[key + "." + member] = v;
            return true;
        }
        std::string v;
        if (!(at < text.size() && text[at] == '"' ? string(&v) : literal(&v))) return false;
        (*out)[key] = v;
        return true;
    }
    bool object(JsonObject* out) {
        if (!take('{')) return false;
        if (take('}')) return true;
        do {
            std::string key;
            if (!string(&key) || !take(':') || !value(key, out)) return false;
        } while (take(','));
        return take('}');
    }
};

}  // namespace

bool read_json_objects(const std::string& text, std::vector<JsonObject>* out) {
    Reader r{text};
    out->clear();
    if (!r.take('[')) return false;
    if (!r.take(']')) {
        do {
            JsonObject object;
            if (!r.object(&object)) return false;
            out->push_back(object);
        } while (r.take(','));
        if (!r.take(']')) return false;
    }
    r.blanks();
    return r.at == text.size();
}

bool read_json_object(const std::string& text, JsonObject* out) {
    Reader r{text};
    out->clear();
    if (!r.object(out)) return false;
    r.blanks();
    return r.at == text.size();
}

std::vector<std::vector<std::string>> read_csv(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false, any = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        any = true;
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') field += text[++i];
            else if (c == '"') quoted = false;
            else field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row.push_back(field);
            field.clear();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            row.push_back(field);
            rows.push_back(row);
            row.clear();
            field.clear();
            any = false;
        } else {
            field += c;
        }
    }
    if (any) {
        row.push_back(field);
        rows.push_back(row);
    }
    return rows;
}

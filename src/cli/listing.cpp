#include "cli/listing.h"

#include "cli/targets.h"
#include "platform/utf8.h"

#include <algorithm>
#include <cstdio>

namespace {

using Rows = std::vector<std::vector<std::string>>;

// Length of the UTF-8 sequence at text[i], or 0 when none starts there.
size_t utf8_sequence(const std::string& text, size_t i) {
    return platform::utf8_sequence_length(text.data() + i, text.size() - i);
}

// Terminal width of a cell: one column per character.
size_t display_width(const std::string& text) {
    size_t width = 0;
    for (size_t i = 0; i < text.size(); ++width) {
        const size_t n = utf8_sequence(text, i);
        i += n > 0 ? n : 1;
    }
    return width;
}

std::string render(const Rows& rows, ListFormat format, const std::vector<std::string>& keys) {
    if (format == ListFormat::Table) {
        Rows printed;
        for (const auto& row : rows) {
            std::vector<std::string> cells;
            for (const std::string& cell : row) cells.push_back(printable(cell));
            printed.push_back(cells);
        }
        return aligned_table(printed);
    }
    std::string out;
    if (format == ListFormat::Csv) {
        for (const auto& row : rows) {
            for (size_t c = 0; c < row.size(); ++c) out += (c ? "," : "") + csv_field(row[c]);
            out += "\r\n";
        }
        return out;
    }
    out = "[";
    for (size_t r = 1; r < rows.size(); ++r) {
        out += r > 1 ? ",\n {" : "\n {";
        for (size_t c = 0; c < keys.size(); ++c)
            out += (c ? ", " : "") + json_string(keys[c]) + ": " + json_string(rows[r][c]);
        out += "}";
    }
    return out + (rows.size() > 1 ? "\n]\n" : "]\n");
}

}  // namespace

std::string printable(const std::string& text) {
    std::string out;
    for (char c : text) out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
    return out;
}

std::string aligned_table(const Rows& rows) {
    std::vector<size_t> widths;
    for (const auto& row : rows) {
        if (widths.size() < row.size()) widths.resize(row.size(), 0);
        for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], display_width(row[c]));
    }
    std::string out;
    for (const auto& row : rows) {
        std::string line;
        for (size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size()) line += std::string(widths[c] - display_width(row[c]) + 2, ' ');
        }
        out += line + "\n";
    }
    return out;
}

std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t n = c >= 0x80 ? utf8_sequence(text, i) : 1;
        char escaped[8];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7f || (c >= 0x80 && n == 0)) {
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);  // Latin-1 for a stray byte
            out += escaped;
        } else {
            out.append(text, i, n);
            i += n;
            continue;
        }
        ++i;
    }
    return out + "\"";
}

std::string csv_field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string list_interfaces_text(const std::vector<InterfaceRecord>& interfaces, ListFormat format) {
    Rows rows{{"Name", "IPv4", "Mask", "MAC", "Description"}};
    for (const InterfaceRecord& nic : interfaces)
        rows.push_back({nic.device_name, nic.ip_text, nic.netmask_text, mac_text(nic.mac), nic.description});
    return render(rows, format, {"name", "ipv4", "mask", "mac", "description"});
}

std::string list_systems_text(const std::vector<SystemRecord>& systems, ListFormat format) {
    Rows rows{{"Type", "Serial Number", "IP Address", "Firmware", "MAC"}};
    for (const SystemRecord& s : systems)
        rows.push_back({s.type_text, s.serial_text, s.ip_text, s.firmware_text, mac_text(system_mac(s))});
    return render(rows, format, {"type", "serial", "ip", "firmware", "mac"});
}

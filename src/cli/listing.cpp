#include "cli/listing.h"

#include "cli/targets.h"
#include "platform/utf8.h"

#include <sys/ioctl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>

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

// Columns from flags_from on are JSON literals (true, false, arrays), not strings.
std::string render(const Rows& rows, ListFormat format, const std::vector<std::string>& keys,
                   size_t flags_from = SIZE_MAX) {
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
            out += (c ? ", " : "") + json_string(keys[c]) + ": " + (c < flags_from ? json_string(rows[r][c]) : rows[r][c]);
        out += "}";
    }
    return out + (rows.size() > 1 ? "\n]\n" : "]\n");
}

}  // namespace

size_t terminal_width(std::FILE* out) {
    winsize size{};
    if (ioctl(fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 10) return size.ws_col - 1;
    return 79;
}

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

std::string csv_field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

namespace {

std::string dotted(const uint8_t a[4]) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", a[0], a[1], a[2], a[3]);
    return text;
}

// An interface's addresses after the one its fields hold, for the table's extra lines;
// the fields keep the last listed, so each other one is shown once.
std::vector<const InterfaceAddress*> other_addresses(const InterfaceRecord& nic) {
    std::vector<const InterfaceAddress*> others;
    for (size_t i = 0; i + 1 < nic.address_count && i < MaxInterfaceAddresses; ++i) others.push_back(&nic.addresses[i]);
    return others;
}

std::string mask_text(const InterfaceAddress& a) {
    const uint8_t none[4] = {};
    return std::memcmp(a.netmask, none, 4) == 0 ? "" : dotted(a.netmask);
}

// "[{"ipv4": "203.0.113.1", "mask": "255.255.255.0"}, ...]"
std::string addresses_json(const InterfaceRecord& nic) {
    std::string out = "[";
    for (size_t i = 0; i < nic.address_count && i < MaxInterfaceAddresses; ++i)
        out += (i ? ", " : "") + std::string("{\"ipv4\": ") + json_string(dotted(nic.addresses[i].ipv4)) +
               ", \"mask\": " + json_string(mask_text(nic.addresses[i])) + "}";
    return out + "]";
}

// "203.0.113.1/255.255.255.0 203.0.113.77/255.255.255.0"
std::string addresses_csv(const InterfaceRecord& nic) {
    std::string out;
    for (size_t i = 0; i < nic.address_count && i < MaxInterfaceAddresses; ++i)
        out += (i ? " " : "") + dotted(nic.addresses[i].ipv4) + "/" + mask_text(nic.addresses[i]);
    return out;
}

}  // namespace

std::string list_interfaces_text(const std::vector<InterfaceRecord>& interfaces, ListFormat format) {
    Rows rows{{"Name", "IPv4", "Mask", "MAC", "Description"}};
    for (const InterfaceRecord& nic : interfaces) {
        rows.push_back({nic.device_name, nic.ip_text, nic.netmask_text, mac_text(nic.mac), nic.description});
        if (format == ListFormat::Json) rows.back().push_back(addresses_json(nic));
        if (format == ListFormat::Csv) rows.back().push_back(addresses_csv(nic));
        if (format != ListFormat::Table) continue;
        // Each further address on a line of its own under the interface's.
        for (const InterfaceAddress* a : other_addresses(nic)) rows.push_back({"", dotted(a->ipv4), mask_text(*a), "", ""});
    }
    if (format == ListFormat::Csv) rows[0].push_back("addresses");
    return render(rows, format, {"name", "ipv4", "mask", "mac", "description", "addresses"}, 5);
}

namespace {

// What keeps an update from reaching s through network; empty when nothing does.
std::string reach_note(const SystemRecord& s, const InterfaceNetwork& network, size_t sharing) {
    std::string note;
    if (!on_network(s.ipv4, network))
        note = std::string(network.networks.size() > 1 ? "not on any network of " : "not on the network of ") +
               network.name;
    if (sharing > 1) note += (note.empty() ? "" : "; ") + std::string("address shared by ") + std::to_string(sharing) + " systems";
    return note;
}

// The table: the Note column only where a system needs it, so the usual listing stays as it was.
std::string systems_table(Rows rows, const std::vector<std::string>& notes) {
    const bool noted = std::any_of(notes.begin(), notes.end(), [](const std::string& n) { return !n.empty(); });
    for (size_t r = 0; noted && r < rows.size(); ++r) rows[r].push_back(r == 0 ? "Note" : notes[r - 1]);
    return render(rows, ListFormat::Table, {});
}

}  // namespace

std::string list_systems_text(const std::vector<SystemRecord>& systems, ListFormat format,
                              const InterfaceNetwork& network) {
    // The systems listed are distinct: the count at an address is how many share it.
    std::map<std::string, size_t> at_address;
    for (const SystemRecord& s : systems) ++at_address[std::string(reinterpret_cast<const char*>(s.ipv4), 4)];
    Rows rows{{"Type", "Serial Number", "IP Address", "Firmware", "MAC"}};
    std::vector<std::string> notes;
    for (const SystemRecord& s : systems) {
        rows.push_back({s.type_text, s.serial_text, s.ip_text, s.firmware_text, mac_text(system_mac(s))});
        const size_t sharing = at_address[std::string(reinterpret_cast<const char*>(s.ipv4), 4)];
        notes.push_back(reach_note(s, network, sharing));
        if (format == ListFormat::Table) continue;
        rows.back().push_back(on_network(s.ipv4, network) ? "true" : "false");
        rows.back().push_back(sharing > 1 ? "true" : "false");
    }
    if (format == ListFormat::Table) return systems_table(rows, notes);
    rows[0].push_back("on_network");
    rows[0].push_back("shared_address");
    return render(rows, format, {"type", "serial", "ip", "firmware", "mac", "on_network", "shared_address"}, 5);
}

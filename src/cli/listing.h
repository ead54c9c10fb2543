// The interfaces and the systems found, written for a person (an aligned table) or
// for a script (JSON, CSV). Texts come from the systems, so they are escaped for each
// form and never reach a terminal as control characters.
#pragma once

#include "cli/cli_options.h"
#include "cli/json_text.h"
#include "discovery/interface_record.h"
#include "discovery/system_record.h"
#include "discovery/system_reach.h"

#include <cstdio>
#include <string>
#include <vector>

std::string list_interfaces_text(const std::vector<InterfaceRecord>& interfaces, ListFormat format);
// The systems found on network's interface. What stands in the way of an update is
// marked: in the table a Note column (only when a system needs one), in JSON the
// booleans on_network and shared_address, in CSV those two columns at the end.
std::string list_systems_text(const std::vector<SystemRecord>& systems, ListFormat format,
                              const InterfaceNetwork& network);

// Rows under a header, each column as wide as its widest cell, two spaces apart.
std::string aligned_table(const std::vector<std::vector<std::string>>& rows);

// A CSV field, quoted when it holds a comma, a quote or a line end.
std::string csv_field(const std::string& text);
// A text for a terminal: control characters become '?'.
std::string printable(const std::string& text);
// How many columns a line on out may take without wrapping (79 off a terminal): a live
// board's lines must not wrap, or its redraw goes wrong.
size_t terminal_width(std::FILE* out);

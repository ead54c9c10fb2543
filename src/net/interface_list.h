// The network interfaces the capture library can open, with their addresses and MACs.
#pragma once

#include "net/interface_record.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Front ends other than the window list up to this many.
constexpr size_t MaxListedInterfaces = 256;

// Fills out (capacity records) from the capture library's device list joined with
// the adapter table; *count tells how many. 0 when the list was read (also when it is
// empty), -1 when the library cannot list its devices.
int32_t read_interfaces(InterfaceRecord* out, size_t capacity, size_t* count);

// The interfaces as a list; *status (when given) as read_interfaces returns it.
std::vector<InterfaceRecord> list_interfaces(int32_t* status = nullptr);

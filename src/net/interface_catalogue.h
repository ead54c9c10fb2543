// The network interfaces the capture library can open, built once at start-up.
#pragma once

#include "net/interface_record.h"

#include <cstdint>

constexpr int InterfaceTableSize = 32;

extern InterfaceRecord InterfaceTable[InterfaceTableSize];
extern int8_t InterfaceCount;

// Fills InterfaceTable from the capture library's device list. 0 when the list was
// read (also when it is empty), -1 when the library cannot list its devices.
int32_t build_interface_catalogue();

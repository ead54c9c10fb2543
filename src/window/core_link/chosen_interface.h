// The interface every frame, capture and command of this run works on.
#pragma once

#include "core_link/interface_catalogue.h"

#include <cstdint>

extern int32_t ChosenInterface;  // entry of the InterfaceTable, -1 for none

// The InterfaceTable entry that ChosenInterface names, or nullptr when the index lies
// outside the filled entries or the entry has no device name. Callers then open
// nothing, so a run without a real choice never touches an interface.
const InterfaceRecord* chosen_interface();

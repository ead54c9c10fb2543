// The discovery scan: one IDENT broadcast, then the answers captured into SystemTable.
#pragma once

#include <cstdint>

// Runs one whole scan on ChosenInterface and returns 0 when it has ended.
int32_t scan_task();

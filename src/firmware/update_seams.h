// Values that tests change to run an update quickly or to make a step fail. The
// program itself never writes them.
#pragma once

#include <cstddef>
#include <cstdint>

struct soap;

// The wait for the system's restart after the reboot request.
constexpr uint32_t RealRebootWaitMs = 30000;
extern uint32_t RebootWaitMs;

// Takes the context memory for one chunk (soap_malloc).
extern void* (*TakeChunkMemory)(struct soap* soap, size_t size);

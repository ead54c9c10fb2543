#include "firmware/update_seams.h"

#include <stdsoap2.h>

uint32_t RebootWaitMs = RealRebootWaitMs;
void* (*TakeChunkMemory)(struct soap*, size_t) = soap_malloc;

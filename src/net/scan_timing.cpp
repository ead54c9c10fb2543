#include "net/scan_timing.h"

ScanTiming LastScanTiming = NoScanTiming;

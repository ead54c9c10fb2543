// The namespace table every envelope declares, as the stub compiler wrote it from
// device_service.h. Opening a DeviceConnection names this table, which is what keeps
// this file in a program linked from the static library.
#include "TLCommon.nsmap"

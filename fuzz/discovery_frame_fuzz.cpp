// One captured frame of any bytes and length, as the capture thread hands it over.
#include "net/discovery_frame.h"
#include "net/system_table.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    handle_discovery_frame(data, size);
    clear_system_table();
    return 0;
}

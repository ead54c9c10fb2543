// One captured frame of any bytes and length, as the capture thread reads it: whole,
// or the start of a longer frame.
#include "discovery/discovery_frame.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t own[4] = {198, 51, 100, 1};
    SystemRecord record;
    read_answer_frame(data, size, own, &record);
    read_answer_frame(data, size, nullptr, &record, size + 1500);
    return 0;
}

// The simulated system reading requests from a connection: any bytes, in pieces whose
// size the first byte chooses.
#include "request_reader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const size_t piece = size_t{1} + data[0] * 16u;
    talvo_sim::RequestReader reader;
    for (size_t at = 1; at < size; at += piece) {
        reader.feed(reinterpret_cast<const char*>(data) + at, std::min(piece, size - at));
        while (reader.has_request()) reader.take();
    }
    (void)reader.stray_bytes();
    return 0;
}

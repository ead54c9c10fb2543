#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace talvo_sim {

// Standard base64 (white space skipped). False on any other character or bad padding.
bool decode_base64(std::string_view text, std::vector<uint8_t>& out);

}  // namespace talvo_sim

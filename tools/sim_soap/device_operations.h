// The requests a Talvo system's Device Service understands, as the simulator sees them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace talvo_sim {

enum class Operation { GetModuleType, FirmwareUpdate, MMCUpdate, MMCValidate, ForceReboot, Unknown };

// What an upload request asks for. FirmwareUpdate: Chunk (ulEOF 0), Closing (ulEOF 1,
// no pByteArrayInput) or Reset (ulEOF 1 with an empty pByteArrayInput); MMCUpdate:
// Chunk or Closing; the other operations: Plain.
enum class RequestKind { Plain, Chunk, Closing, Reset };

const char* operation_name(Operation operation);
const char* request_kind_name(RequestKind kind);

struct Request {
    Operation operation = Operation::Unknown;
    RequestKind kind = RequestKind::Plain;
    bool has_array = false;            // pByteArrayInput present
    std::vector<uint8_t> bytes;        // its bytes (items, or base64 for MMCUpdate)
    bool has_eof = false;
    uint64_t eof = 0;
    bool has_index = false;
    uint64_t index = 0;
    bool has_signature = false;
    std::array<uint8_t, 16> signature{};
    std::string malformed;             // not empty: why the request cannot be served
};

}  // namespace talvo_sim

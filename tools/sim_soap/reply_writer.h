// The replies of the Device Service, as a gSOAP-built system writes them.
#pragma once

#include "device_operations.h"

#include <cstdint>
#include <string>

namespace talvo_sim {

// TLCommon:ByteArrayResponse for GetModuleType, TLCommonPrivate:ByteArrayResponse for the
// others; text goes into sArray with its terminating zero byte.
std::string byte_array_reply(Operation operation, int32_t return_value, int32_t syserrno,
                             const std::string& text);

// TLCommonPrivate:Response, the reply of ForceReboot.
std::string response_reply(int32_t return_value, int32_t syserrno);

std::string fault_reply(const std::string& code, const std::string& text);

// The envelope behind an HTTP response header, which the tool also accepts.
std::string with_http_header(const std::string& envelope, bool fault);

}  // namespace talvo_sim

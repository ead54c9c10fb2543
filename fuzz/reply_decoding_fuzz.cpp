// A reply of any bytes read by the generated client, through the same guard and limits
// as a DeviceConnection. The first byte chooses which of the three replies is expected;
// the rest arrives in pieces whose sizes the input also chooses.
#include "soapH.h"
#include "update/reply_guard.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

struct Source {
    const uint8_t* data;
    size_t size;
    size_t piece;
    ReplyGuard guard;
};

size_t receive(struct soap* soap, char* buffer, size_t size) {
    auto* source = static_cast<Source*>(soap->user);
    const size_t n = std::min({size, source->size, source->piece});
    if (n == 0) return 0;
    std::memcpy(buffer, source->data, n);
    source->data += n;
    source->size -= n;
    return source->guard.admit(buffer, n) ? n : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const int kind = data[0] % 3;
    Source source{data + 2, size - 2, size_t{1} + data[1] * 64u, ReplyGuard()};
    source.guard.begin_reply();
    struct soap* soap = soap_new1(SOAP_IO_KEEPALIVE);
    if (!soap) return 0;
    soap_set_namespaces(soap, namespaces);
    apply_reply_limits(soap, ReplyLimits{});
    soap->user = &source;
    soap->frecv = receive;
    if (kind == 0) {
        TLCommon__ByteArrayResponse response;
        soap_default_TLCommon__ByteArrayResponse(soap, &response);
        soap_recv_TLCommon__GetModuleType(soap, &response);
    } else if (kind == 1) {
        TLCommonPrivate__ByteArrayResponse response;
        soap_default_TLCommonPrivate__ByteArrayResponse(soap, &response);
        soap_recv_TLCommonPrivate__FirmwareUpdate(soap, &response);
    } else {
        TLCommonPrivate__Response response;
        soap_default_TLCommonPrivate__Response(soap, &response);
        soap_recv_TLCommonPrivate__ForceReboot(soap, &response);
    }
    soap_destroy(soap);
    soap_end(soap);
    soap_free(soap);
    return 0;
}

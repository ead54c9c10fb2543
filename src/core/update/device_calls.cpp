#include "update/device_calls.h"

#include "soapH.h"
#include "update/device_connection.h"

#include <cstring>

namespace {

std::string device_text(const ArrayOfUnsignedByte& array) {
    if (!array.__ptr || array.__size <= 0) return {};
    const auto* bytes = reinterpret_cast<const char*>(array.__ptr);
    const auto size = static_cast<size_t>(array.__size);
    const void* zero = std::memchr(bytes, 0, size);
    return std::string(bytes, zero ? static_cast<const char*>(zero) - bytes : size);
}

void zero_record(struct soap* soap, TLCommon__ByteArrayResponse& r) {
    soap_default_TLCommon__ByteArrayResponse(soap, &r);
}
void zero_record(struct soap* soap, TLCommonPrivate__ByteArrayResponse& r) {
    soap_default_TLCommonPrivate__ByteArrayResponse(soap, &r);
}
void zero_record(struct soap* soap, TLCommonPrivate__Response& r) {
    soap_default_TLCommonPrivate__Response(soap, &r);
}

template <typename ByteArrayResponse>
void copy_reply(const ByteArrayResponse& response, DeviceReply& reply) {
    reply.iReturnValue = response.sResponse.iReturnValue;
    reply.syserrno = response.sResponse.syserrno;
    reply.text = device_text(response.sArray);
}
void copy_reply(const TLCommonPrivate__Response& response, DeviceReply& reply) {
    reply.iReturnValue = response.iReturnValue;
    reply.syserrno = response.syserrno;
}

// Runs one generated call on a zeroed reply record and copies the reply out before the
// context's memory goes.
template <typename Response, typename Call>
int run_call(DeviceConnection& connection, CallLength length, DeviceReply& reply, Call call) {
    reply = DeviceReply{};
    Response response;
    zero_record(connection.context(), response);
    connection.begin_call(length);
    const int status = call(connection.context(), connection.endpoint(), &response);
    if (status != SOAP_OK) return status;
    copy_reply(response, reply);
    connection.release_call_memory();
    return SOAP_OK;
}

int firmware_update(DeviceConnection& connection, ChunkArray* array, uint64_t eof,
                    DeviceReply& reply) {
    // Only the closing call installs; the reset's empty upload is refused at once.
    const CallLength length = (!array && eof == 1) ? CallLength::Install : CallLength::Short;
    return run_call<TLCommonPrivate__ByteArrayResponse>(
        connection, length, reply, [&](struct soap* soap, const char* endpoint, auto* response) {
            return soap_call_TLCommonPrivate__FirmwareUpdate(soap, endpoint, nullptr, array,
                                                             eof, response);
        });
}

}  // namespace

int call_get_module_type(DeviceConnection& connection, DeviceReply& reply) {
    return run_call<TLCommon__ByteArrayResponse>(
        connection, CallLength::Short, reply, [](struct soap* soap, const char* endpoint, auto* response) {
            return soap_call_TLCommon__GetModuleType(soap, endpoint, nullptr, response);
        });
}

int call_firmware_update(DeviceConnection& connection, unsigned char* bytes, int count,
                         uint64_t eof, DeviceReply& reply) {
    ChunkArray chunk{bytes, count};
    return firmware_update(connection, bytes ? &chunk : nullptr, eof, reply);
}

int call_firmware_update_empty(DeviceConnection& connection, uint64_t eof, DeviceReply& reply) {
    ChunkArray empty{nullptr, 0};
    return firmware_update(connection, &empty, eof, reply);
}

int call_mmc_update(DeviceConnection& connection, unsigned char* bytes, int count,
                    uint64_t eof, DeviceReply& reply) {
    TLCommonPrivate__unsignedByte16FixedArrayParam signature;  // 16 zero bytes
    std::memset(signature.ulValue.value, 0, sizeof signature.ulValue.value);
    xsd__base64Binary data;
    data.__ptr = bytes;
    data.__size = bytes ? count : 0;
    const CallLength length = eof == 1 ? CallLength::Install : CallLength::Short;
    return run_call<TLCommonPrivate__ByteArrayResponse>(
        connection, length, reply, [&](struct soap* soap, const char* endpoint, auto* response) {
            return soap_call_TLCommonPrivate__MMCUpdate(soap, endpoint, nullptr, 0, &signature,
                                                        &data, eof, response);
        });
}

int call_mmc_validate(DeviceConnection& connection, DeviceReply& reply) {
    return run_call<TLCommonPrivate__ByteArrayResponse>(
        connection, CallLength::Install, reply, [](struct soap* soap, const char* endpoint, auto* response) {
            return soap_call_TLCommonPrivate__MMCValidate(soap, endpoint, nullptr, 0, response);
        });
}

int call_force_reboot(DeviceConnection& connection, DeviceReply& reply) {
    return run_call<TLCommonPrivate__Response>(
        connection, CallLength::Short, reply, [](struct soap* soap, const char* endpoint, auto* response) {
            return soap_call_TLCommonPrivate__ForceReboot(soap, endpoint, nullptr, response);
        });
}

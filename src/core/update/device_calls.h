// The five Device Service operations on an open DeviceConnection. Each returns the
// runtime's status: 0 when a reply was received and decoded; otherwise a transport
// error, a SOAP fault or an undecodable reply, which the connection can report with
// fault_report(). A device that refuses a request answers with status 0 and
// iReturnValue not 0. The closing calls (FirmwareUpdate without bytes and ulEOF 1,
// MMCUpdate with ulEOF 1) and MMCValidate, which install or check an image, get the
// connection's install deadline; every other call its call deadline.
//
// After a decoded reply the call copies what it needs into a DeviceReply and releases
// the context's memory, the chunk the caller took from it included; after a failure
// that memory stays until the connection goes, so the fault can be printed.
#pragma once

#include <cstdint>
#include <string>

class DeviceConnection;

struct DeviceReply {
    int32_t iReturnValue = 0;
    int32_t syserrno = 0;
    std::string text;  // sArray up to its first zero byte, never more than its count
};

int call_get_module_type(DeviceConnection& connection, DeviceReply& reply);

// count bytes in pByteArrayInput; bytes null leaves pByteArrayInput out (the closing
// call).
int call_firmware_update(DeviceConnection& connection, unsigned char* bytes, int count,
                         uint64_t eof, DeviceReply& reply);

// An empty pByteArrayInput element, no attributes and no items (reset_upload).
int call_firmware_update_empty(DeviceConnection& connection, uint64_t eof, DeviceReply& reply);

// index 0, a Signature of 16 zero bytes, the bytes in base64 (none: an empty element).
int call_mmc_update(DeviceConnection& connection, unsigned char* bytes, int count,
                    uint64_t eof, DeviceReply& reply);

int call_mmc_validate(DeviceConnection& connection, DeviceReply& reply);

int call_force_reboot(DeviceConnection& connection, DeviceReply& reply);

// The C++ side of the two request arrays whose serialisers are ours
// (request_arrays.cpp); device_service.h declares them to the stub compiler.
#pragma once

// pByteArrayInput of FirmwareUpdate: __size bytes at __ptr, none when __ptr is null.
struct ChunkArray {
    unsigned char* __ptr;
    int __size;
};

// ulValue of MMCUpdate's Signature: exactly 16 bytes.
struct Signature16 {
    unsigned char value[16];
};

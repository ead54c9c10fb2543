// Parts shared by the steps of the update sequence.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

class DeviceConnection;
struct DeviceReply;

constexpr size_t ChunkSize = 65535;  // 0xFFFF, not 65536

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens path with "rb"; when it cannot, prints and records "Error, cannot open file".
FileHandle open_update_file(const char* path);

// UpdateErrorText "Impossible to access the system" and the runtime's report on
// standard error.
void report_access_failure(const DeviceConnection& connection);

using ChunkCall = int (*)(DeviceConnection&, unsigned char* bytes, int count, uint64_t eof,
                          DeviceReply& reply);

// Sends the open file in chunks of ChunkSize bytes, one call each with ulEOF 0.
// 0 when all is sent; -6 no context memory, -7 a call failed, -8 a chunk was refused,
// read_failure when the file could not be read to its end.
int32_t upload_file_in_chunks(std::FILE* file, const char* path, DeviceConnection& connection,
                              ChunkCall call, int32_t read_failure);

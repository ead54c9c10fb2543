#include "firmware/update_steps.h"

#include "firmware/device_calls.h"
#include "firmware/device_connection.h"
#include "firmware/update_seams.h"
#include "firmware/update_sequence.h"
#include "platform/platform.h"

#include <cstring>
#include <new>

FileHandle open_update_file(const char* path) {
    FileHandle file(platform::open_file(path, "rb"));
    if (!file) {
        std::fprintf(stderr, "Error, cannot open file : %s\n", path);
        set_update_error("Error, cannot open file : %s", path);
    }
    return file;
}

void report_access_failure(const DeviceConnection& connection) {
    set_update_error("Impossible to access the system");
    connection.print_fault();
}

namespace {

size_t read_chunk(std::FILE* file, unsigned char* buffer) {
    std::memset(buffer, 0, ChunkSize);
    return std::fread(buffer, 1, ChunkSize, file);
}

int32_t out_of_memory() {
    std::fprintf(stderr, "malloc error\n");
    set_update_error("Not enough memory to upload the file");
    return -6;
}

// One chunk: copied once into context memory, which the call releases afterwards.
int32_t send_chunk(DeviceConnection& connection, ChunkCall call, const unsigned char* bytes,
                   size_t n) {
    void* copy = TakeChunkMemory(connection.context(), n);
    if (!copy) return out_of_memory();
    std::memcpy(copy, bytes, n);
    DeviceReply reply;
    if (call(connection, static_cast<unsigned char*>(copy), static_cast<int>(n), 0, reply) != 0) {
        report_access_failure(connection);
        return -7;
    }
    if (reply.iReturnValue != 0) {
        std::fprintf(stderr, "error while uploading data: %s\n", reply.text.c_str());
        set_update_error("%s", reply.text.c_str());
        return -8;
    }
    return 0;
}

}  // namespace

int32_t upload_file_in_chunks(std::FILE* file, const char* path, DeviceConnection& connection,
                              ChunkCall call, int32_t read_failure) {
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[ChunkSize]);
    if (!buffer) return out_of_memory();
    for (size_t n = read_chunk(file, buffer.get()); n > 0; n = read_chunk(file, buffer.get())) {
        if (const int32_t result = send_chunk(connection, call, buffer.get(), n)) return result;
        if (n < ChunkSize) break;  // the file is exhausted
    }
    // A short read is the end of the file only when it is not an error: a cut firmware
    // must not be installed.
    if (std::ferror(file)) {
        std::fprintf(stderr, "Error, cannot read file : %s\n", path);
        set_update_error("Error, cannot read file : %s", path);
        return read_failure;
    }
    return 0;
}

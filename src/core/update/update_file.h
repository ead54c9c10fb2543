// A file to upload: the file chosen, whole, or nothing. It is opened only when it is a
// regular file (never blocking on a FIFO or reading a device without end); its size and
// modification time are taken then, and the upload fails when the file ends early, or
// has grown or changed by the end of the upload.
#pragma once

#include "platform/platform.h"

#include <cstddef>
#include <cstdint>
#include <string>

class UpdateFile {
public:
    UpdateFile() = default;
    UpdateFile(const UpdateFile&) = delete;
    UpdateFile& operator=(const UpdateFile&) = delete;

    enum class OpenResult { Opened, CannotOpen, NotRegular };
    OpenResult open(const std::string& path);

    uint64_t size() const { return size_; }
    uint64_t sent() const { return read_; }

    enum class ReadResult { Chunk, End, ReadError, EndedEarly };
    // The next chunk of at most capacity bytes into buffer: Chunk with count set, End
    // once the size taken at opening was read, or a failure.
    ReadResult next_chunk(unsigned char* buffer, size_t capacity, size_t& count);

    // After End: false when the file grew or was changed since it was opened.
    bool unchanged() const;

private:
    platform::RegularFile file_;
    platform::FileStamp opened_;
    uint64_t size_ = 0;
    uint64_t read_ = 0;
};

#include "update/update_file.h"

#include <algorithm>

UpdateFile::OpenResult UpdateFile::open(const std::string& path) {
    switch (file_.open(path.c_str())) {
    case platform::RegularFile::Open::Opened: break;
    case platform::RegularFile::Open::NotRegular: return OpenResult::NotRegular;
    case platform::RegularFile::Open::CannotOpen: return OpenResult::CannotOpen;
    }
    if (!file_.stamp(opened_)) return OpenResult::CannotOpen;
    size_ = opened_.size;
    return OpenResult::Opened;
}

UpdateFile::ReadResult UpdateFile::next_chunk(unsigned char* buffer, size_t capacity, size_t& count) {
    count = 0;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(capacity, size_ - read_));
    if (want == 0) return ReadResult::End;
    while (count < want) {
        const long long n = file_.read_at(read_ + count, buffer + count, want - count);
        if (n < 0) return ReadResult::ReadError;
        if (n == 0) return ReadResult::EndedEarly;
        count += static_cast<size_t>(n);
    }
    read_ += count;
    return ReadResult::Chunk;
}

bool UpdateFile::unchanged() const {
    platform::FileStamp now;
    if (!file_.stamp(now) || now != opened_) return false;
    unsigned char extra;  // grown and shrunk back, or a size that lies
    return file_.read_at(size_, &extra, 1) == 0;
}

#include "firmware/update_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

UpdateFile::~UpdateFile() {
    if (fd_ >= 0) close(fd_);
}

UpdateFile::OpenResult UpdateFile::open(const std::string& path) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return OpenResult::CannotOpen;
    struct stat info {};
    if (fstat(fd_, &info) != 0) return OpenResult::CannotOpen;
    if (!S_ISREG(info.st_mode)) return OpenResult::NotRegular;
    size_ = static_cast<uint64_t>(info.st_size);
    modified_ = info.st_mtim;
    return OpenResult::Opened;
}

UpdateFile::ReadResult UpdateFile::next_chunk(unsigned char* buffer, size_t capacity, size_t& count) {
    count = 0;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(capacity, size_ - read_));
    if (want == 0) return ReadResult::End;
    while (count < want) {
        const ssize_t n = read(fd_, buffer + count, want - count);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return ReadResult::ReadError;
        if (n == 0) return ReadResult::EndedEarly;
        count += static_cast<size_t>(n);
    }
    read_ += count;
    return ReadResult::Chunk;
}

bool UpdateFile::unchanged() const {
    struct stat info {};
    if (fstat(fd_, &info) != 0) return false;
    if (static_cast<uint64_t>(info.st_size) != size_) return false;
    if (info.st_mtim.tv_sec != modified_.tv_sec || info.st_mtim.tv_nsec != modified_.tv_nsec) return false;
    unsigned char extra;  // grown and shrunk back, or a size that lies
    return pread(fd_, &extra, 1, static_cast<off_t>(size_)) == 0;
}

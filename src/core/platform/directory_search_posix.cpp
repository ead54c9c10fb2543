#include "platform/platform.h"

#include "platform/name_case.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <memory>

namespace platform {

namespace {

// NTFS keeps names in the order of their capitals; names that differ only in case
// (possible here, not there) follow byte order so the list stays stable.
bool before(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const unsigned char ca = capital(static_cast<unsigned char>(a[i]));
        const unsigned char cb = capital(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

struct DirCloser {
    void operator()(DIR* d) const { closedir(d); }
};

}  // namespace

int find_files_with_extension(const char* directory, const char* extension,
                              std::vector<std::string>& names) {
    names.clear();
    std::unique_ptr<DIR, DirCloser> dir(opendir(directory));
    if (!dir) return errno;
    for (;;) {
        errno = 0;  // readdir tells the end from an error only through errno
        const dirent* entry = readdir(dir.get());
        if (!entry) break;
        std::string name = entry->d_name;
        if (ends_with_without_case(name, extension)) names.push_back(std::move(name));
    }
    if (errno != 0) {
        const int error = errno;
        names.clear();
        return error;
    }
    if (names.empty()) return ENOENT;
    std::sort(names.begin(), names.end(), before);
    return 0;
}

}  // namespace platform

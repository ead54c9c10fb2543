#include "toolkit/resource_file.h"

#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>

namespace {

bool Refused = false;

int32_t little_endian(const unsigned char* p, size_t bytes) {
    uint32_t value = 0;
    for (size_t i = bytes; i-- > 0;) value = (value << 8) | p[i];
    if (bytes == 2) return static_cast<int16_t>(value);
    return static_cast<int32_t>(value);
}

}  // namespace

bool resource_refused() { return Refused; }
void note_resource_refused() { Refused = true; }

SDL_RWops* open_resource_stream(const char* path, std::string& why) {
    why.clear();
    platform::RegularFile regular;
    switch (regular.open(path)) {
    case platform::RegularFile::Open::Opened: break;
    case platform::RegularFile::Open::NotRegular: why = "not a regular file"; return nullptr;
    case platform::RegularFile::Open::CannotOpen: return nullptr;
    }
    FILE* file = regular.into_stream();
    if (!file) return nullptr;
    SDL_RWops* stream = SDL_RWFromFP(file, 1);
    if (!stream) std::fclose(file);
    return stream;
}

// BITMAPCOREHEADER (12 bytes) holds 16-bit sizes, the later headers 32-bit ones; a
// negative height is a top-down image.
std::string bmp_refusal(const unsigned char* header, size_t size) {
    if (size < 26 || header[0] != 'B' || header[1] != 'M') return {};
    const int32_t info_size = little_endian(header + 14, 4);
    const bool core = info_size == 12;
    const int64_t width = little_endian(header + 18, core ? 2 : 4);
    const int64_t height = little_endian(header + 18 + (core ? 2 : 4), core ? 2 : 4);
    if (std::llabs(width) <= MaxImageSide && std::llabs(height) <= MaxImageSide) return {};
    char text[128];
    std::snprintf(text, sizeof text, "%lld x %lld pixels, more than %d x %d", static_cast<long long>(width),
                  static_cast<long long>(std::llabs(height)), MaxImageSide, MaxImageSide);
    return text;
}

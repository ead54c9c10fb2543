#include "temp_resources.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

TempResources::TempResources() {
    char pattern[] = "/tmp/perabo-fw-XXXXXX";
    if (mkdtemp(pattern)) root_ = pattern;
    std::filesystem::create_directory(firmware_dir());
}

TempResources::~TempResources() {
    std::error_code ignored;
    if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
}

void TempResources::add(const std::string& name, const std::vector<unsigned char>& bytes) const {
    std::ofstream out(path(name), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void TempResources::add_directory(const std::string& name) const {
    std::filesystem::create_directory(path(name));
}

std::vector<unsigned char> pattern_bytes(size_t size, unsigned seed) {
    std::vector<unsigned char> bytes(size);
    uint32_t x = 2463534242u ^ seed;
    for (auto& b : bytes) {  // xorshift: every byte value, no period within a file
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<unsigned char>(x >> 24);
    }
    return bytes;
}

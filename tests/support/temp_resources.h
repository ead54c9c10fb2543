// A folder of its own for a test, laid out as the program's resources are, with a
// firmware/ folder; removed after.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class TempResources {
public:
    TempResources();
    ~TempResources();
    TempResources(const TempResources&) = delete;
    TempResources& operator=(const TempResources&) = delete;

    const std::string& root() const { return root_; }
    std::string firmware_dir() const { return root_ + "/firmware"; }
    std::string path(const std::string& name) const { return firmware_dir() + "/" + name; }
    // Writes bytes into firmware/name.
    void add(const std::string& name, const std::vector<unsigned char>& bytes = {}) const;
    void add_directory(const std::string& name) const;

private:
    std::string root_;
};

// size bytes that differ from one position to the next, seeded so two files differ.
std::vector<unsigned char> pattern_bytes(size_t size, unsigned seed);

// Opening the fonts and images beside the program: only regular files are opened, and
// never with a wait (a FIFO in their place would block start-up without a window), and
// an image whose header claims more than MaxImageSide pixels a side is not loaded
// (a 60000 x 60000 image would take gigabytes). A refusal prints a line naming the
// file and why; start-up then ends as it does for a missing font.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <string>

constexpr int32_t MaxImageSide = 4096;

// A read stream on the regular file at path (closed with the stream), or null: why is
// empty when the file is missing or unreadable, and says what is wrong otherwise.
SDL_RWops* open_resource_stream(const char* path, std::string& why);

// Why a BMP with these first bytes must not be loaded, or "" when it may. Headers too
// short to tell are left to the loader.
std::string bmp_refusal(const unsigned char* header, size_t size);

// Whether a resource was refused since start; start-up ends when one was.
bool resource_refused();
void note_resource_refused();

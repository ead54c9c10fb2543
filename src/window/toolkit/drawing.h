// Small drawing helpers shared by every screen. All of them draw into Screen and
// accept a missing surface, which is then simply not drawn.
#pragma once

#include "platform/utf8.h"
#include "toolkit/sdl_owners.h"
#include "toolkit/window_values.h"

#include <string>
#include <vector>

Uint32 map_rgb(Rgb colour);  // in Screen's pixel format

// A plain w x h surface in Screen's depth, filled with colour.
SurfacePtr make_filled_surface(int w, int h, Rgb colour);
void fill_surface(SDL_Surface* surface, Rgb colour);

// Loads "%s/img/name.bmp"-style templates with ResourceDir in place of %s.
// A missing or unreadable file gives an empty pointer; so does a refused one
// (resource_file.h), with its line printed.
SurfacePtr load_image(const char* path_template);

// Opens "%s/font/name.ttf"-style templates at a point size; null with a line naming
// the file when it cannot be opened or is refused.
FontPtr open_resource_font(const char* path_template, int points);

// Makes white transparent, mapped in the image's own format. Null-safe.
void set_white_key(SDL_Surface* image);

// Renders text blended in black; empty text gives an empty pointer. Text that is
// valid UTF-8 is drawn as UTF-8, any other as Latin-1.
SurfacePtr render_text(TTF_Font* font, const char* text);

using platform::is_valid_utf8;

// Width in pixels of text as render_text draws it.
int text_width(TTF_Font* font, const std::string& text);

// Breaks text into lines no wider than width pixels: at spaces where it can, inside a
// word (never inside a UTF-8 character) where a word alone is wider.
std::vector<std::string> wrap_text(TTF_Font* font, const std::string& text, int width);

// Draws source on Screen with its top-left corner at (x, y).
void blit(SDL_Surface* source, int x, int y);

// Small drawing helpers shared by every screen. All of them draw into Screen and
// accept a missing surface, which is then simply not drawn.
#pragma once

#include "shell/app.h"
#include "shell/sdl_owners.h"

Uint32 map_rgb(Rgb colour);  // in Screen's pixel format

// A plain w x h surface in Screen's depth, filled with colour.
SurfacePtr make_filled_surface(int w, int h, Rgb colour);
void fill_surface(SDL_Surface* surface, Rgb colour);

// Loads "%s/img/name.bmp"-style templates with ResourceDir in place of %s.
// A missing or unreadable file gives an empty pointer.
SurfacePtr load_image(const char* path_template);

// Makes white transparent, mapped in the image's own format. Null-safe.
void set_white_key(SDL_Surface* image);

// Renders text blended in black; empty text gives an empty pointer.
SurfacePtr render_text(TTF_Font* font, const char* text);

// Draws source on Screen with its top-left corner at (x, y).
void blit(SDL_Surface* source, int x, int y);

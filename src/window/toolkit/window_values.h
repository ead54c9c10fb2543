// The window's surface, its two fonts and its colours: what every screen draws with.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

constexpr int ScreenWidth = 800;
constexpr int ScreenHeight = 600;

extern SDL_Surface* Screen;
extern TTF_Font* RegularFont;
extern TTF_Font* BoldFont;

struct Rgb {
    Uint8 r, g, b;
};

constexpr Rgb BackgroundColour{221, 224, 227};
constexpr Rgb TextColour{0, 0, 0};
constexpr Rgb SeparatorColour{0, 0, 0};
constexpr Rgb ColourKey{255, 255, 255};

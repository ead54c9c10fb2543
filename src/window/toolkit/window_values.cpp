#include "toolkit/window_values.h"

SDL_Surface* Screen = nullptr;
TTF_Font* RegularFont = nullptr;
TTF_Font* BoldFont = nullptr;

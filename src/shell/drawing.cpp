#include "shell/drawing.h"

#include "platform/platform.h"
#include "shell/resource_path.h"

Uint32 map_rgb(Rgb colour) {
    return SDL_MapRGB(Screen->format, colour.r, colour.g, colour.b);
}

SurfacePtr make_filled_surface(int w, int h, Rgb colour) {
    SurfacePtr surface(SDL_CreateRGBSurface(SDL_HWSURFACE, w, h, 32, 0, 0, 0, 0));
    fill_surface(surface.get(), colour);
    return surface;
}

void fill_surface(SDL_Surface* surface, Rgb colour) {
    if (surface) SDL_FillRect(surface, nullptr, map_rgb(colour));
}

SurfacePtr load_image(const char* path_template) {
    char path[ResourcePathSize];
    if (format_resource_path(path, path_template) != 0) return nullptr;
    // Opened here rather than by SDL, which would read the UTF-8 path in the ANSI code
    // page on Windows.
    std::FILE* file = platform::open_file(path, "rb");
    if (!file) return nullptr;
    SDL_RWops* stream = SDL_RWFromFP(file, 1);
    if (!stream) {
        std::fclose(file);
        return nullptr;
    }
    return SurfacePtr(SDL_LoadBMP_RW(stream, 1));
}

void set_white_key(SDL_Surface* image) {
    if (image) {
        SDL_SetColorKey(image, SDL_SRCCOLORKEY,
                        SDL_MapRGB(image->format, ColourKey.r, ColourKey.g, ColourKey.b));
    }
}

SurfacePtr render_text(TTF_Font* font, const char* text) {
    if (!font || !text || !*text) return nullptr;
    SDL_Color black{TextColour.r, TextColour.g, TextColour.b, 0};
    return SurfacePtr(TTF_RenderText_Blended(font, text, black));
}

void blit(SDL_Surface* source, int x, int y) {
    if (!source || !Screen) return;
    SDL_Rect at{static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    SDL_UpperBlit(source, nullptr, Screen, &at);
}

#include "toolkit/drawing.h"

#include "toolkit/control_rect.h"
#include "toolkit/resource_file.h"
#include "toolkit/resource_path.h"

#include <cstdio>

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

namespace {

void refuse(const char* kind, const char* path, const std::string& why) {
    std::printf("Unable to open the %s %s: %s\n", kind, path, why.c_str());
    note_resource_refused();
}

}  // namespace

SurfacePtr load_image(const char* path_template) {
    char path[ResourcePathSize];
    if (format_resource_path(path, path_template) != 0) return nullptr;
    std::string why;
    SDL_RWops* stream = open_resource_stream(path, why);
    if (!stream) {
        if (!why.empty()) refuse("image", path, why);
        return nullptr;
    }
    unsigned char header[26];
    const int got = SDL_RWread(stream, header, 1, sizeof header);
    why = bmp_refusal(header, got > 0 ? static_cast<size_t>(got) : 0);
    if (!why.empty() || SDL_RWseek(stream, 0, RW_SEEK_SET) != 0) {
        SDL_RWclose(stream);
        if (!why.empty()) refuse("image", path, why);
        return nullptr;
    }
    return SurfacePtr(SDL_LoadBMP_RW(stream, 1));
}

FontPtr open_resource_font(const char* path_template, int points) {
    char path[ResourcePathSize];
    if (format_resource_path(path, path_template) != 0) return nullptr;
    std::string why;
    SDL_RWops* stream = open_resource_stream(path, why);
    if (!stream) {
        if (why.empty()) {
            std::printf("Unable to open the font %s: %s\n", path, "no such readable file");
        } else {
            refuse("font", path, why);
        }
        return nullptr;
    }
    FontPtr font(TTF_OpenFontRW(stream, 1, points));  // the font closes the stream
    if (!font) std::printf("Unable to open the font %s: %s\n", path, TTF_GetError());
    return font;
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
    if (is_valid_utf8(text)) return SurfacePtr(TTF_RenderUTF8_Blended(font, text, black));
    return SurfacePtr(TTF_RenderText_Blended(font, text, black));
}

int text_width(TTF_Font* font, const std::string& text) {
    int w = 0, h = 0;
    if (!font || text.empty()) return 0;
    if (is_valid_utf8(text.c_str())) {
        TTF_SizeUTF8(font, text.c_str(), &w, &h);
    } else {
        TTF_SizeText(font, text.c_str(), &w, &h);
    }
    return w;
}

namespace {

// Where the character starting at i ends (UTF-8 continuation bytes stay with it).
size_t character_end(const std::string& text, size_t i) {
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
    return i;
}

// The longest start of word that fits, at least one character.
size_t fitting_prefix(TTF_Font* font, const std::string& word, int width) {
    size_t end = character_end(word, 0);
    for (size_t next = end; next < word.size(); end = next) {
        next = character_end(word, end);
        if (text_width(font, word.substr(0, next)) > width) break;
    }
    return end;
}

}  // namespace

std::vector<std::string> wrap_text(TTF_Font* font, const std::string& text, int width) {
    std::vector<std::string> lines;
    std::string line;
    size_t at = 0;
    while (at < text.size()) {
        const size_t space = text.find(' ', at);
        std::string word = text.substr(at, space == std::string::npos ? std::string::npos : space - at);
        at = space == std::string::npos ? text.size() : space + 1;
        for (;;) {
            const std::string joined = line.empty() ? word : line + " " + word;
            if (text_width(font, joined) <= width) {
                line = joined;
                break;
            }
            if (!line.empty()) {  // the word starts the next line
                lines.push_back(line);
                line.clear();
                continue;
            }
            const size_t cut = fitting_prefix(font, word, width);  // a word wider than a line
            lines.push_back(word.substr(0, cut));
            word.erase(0, cut);
            if (word.empty()) break;
        }
    }
    if (!line.empty() || lines.empty()) lines.push_back(line);
    return lines;
}

void blit_in(SDL_Surface* source, const ControlRect& rect, int dx, int dy) { blit(source, rect.x + dx, rect.y + dy); }

void blit(SDL_Surface* source, int x, int y) {
    if (!source || !Screen) return;
    SDL_Rect at{static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    SDL_UpperBlit(source, nullptr, Screen, &at);
}

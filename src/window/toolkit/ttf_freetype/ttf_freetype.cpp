#include "SDL_ttf.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

struct _TTF_Font {
    FT_Face face = nullptr;
    std::vector<unsigned char> file;  // FreeType reads the face from here while it is open
    int ascent = 0;
    int descent = 0;
    int height = 0;
    int lineskip = 0;
};

namespace {

FT_Library Library = nullptr;
int InitCount = 0;

// 26.6 fixed point to whole pixels, as SDL_ttf rounds them.
int ft_floor(FT_Pos x) { return static_cast<int>((x & -64) / 64); }
int ft_ceil(FT_Pos x) { return static_cast<int>(((x + 63) & -64) / 64); }

struct GlyphMetrics {
    FT_UInt index;
    int minx, maxx, miny, maxy, yoffset, advance;
};

std::FILE* open_binary(const char* path) {
#ifdef _WIN32
    // The path is UTF-8; the C library's fopen would read it in the ANSI code page.
    const int n = MultiByteToWideChar(CP_UTF8, 0, path, -1, nullptr, 0);
    if (n <= 0) return nullptr;
    std::vector<wchar_t> wide(static_cast<size_t>(n));
    MultiByteToWideChar(CP_UTF8, 0, path, -1, wide.data(), n);
    return _wfopen(wide.data(), L"rb");
#else
    return std::fopen(path, "rb");
#endif
}

bool read_whole_file(const char* path, std::vector<unsigned char>& out) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(open_binary(path), std::fclose);
    if (!file) return false;
    unsigned char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) out.insert(out.end(), buffer, buffer + n);
    return !std::ferror(file.get()) && !out.empty();
}

// What is left of src, from where it stands.
bool read_whole_stream(SDL_RWops* src, std::vector<unsigned char>& out) {
    unsigned char buffer[65536];
    for (;;) {
        const int n = SDL_RWread(src, buffer, 1, sizeof buffer);
        if (n < 0) return false;
        if (n == 0) return !out.empty();
        out.insert(out.end(), buffer, buffer + n);
    }
}

// Loads the glyph of c into the face's slot and fills its metrics.
bool load_glyph(TTF_Font* font, uint32_t c, GlyphMetrics& m) {
    m.index = FT_Get_Char_Index(font->face, c);
    if (FT_Load_Glyph(font->face, m.index, FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL) != 0) return false;
    const FT_Glyph_Metrics& metrics = font->face->glyph->metrics;
    m.minx = ft_floor(metrics.horiBearingX);
    m.maxx = m.minx + ft_ceil(metrics.width);
    m.maxy = ft_floor(metrics.horiBearingY);
    m.miny = m.maxy - ft_ceil(metrics.height);
    m.yoffset = font->ascent - m.maxy;
    m.advance = ft_ceil(metrics.horiAdvance);
    return true;
}

int kerning(TTF_Font* font, FT_UInt previous, FT_UInt index) {
    if (!FT_HAS_KERNING(font->face) || previous == 0 || index == 0) return 0;
    FT_Vector delta;
    if (FT_Get_Kerning(font->face, previous, index, FT_KERNING_DEFAULT, &delta) != 0) return 0;
    return static_cast<int>(delta.x >> 6);
}

// SDL_ttf 2.0 handles the Basic Multilingual Plane: a sequence that decodes to more,
// or does not decode, stands for U+FFFD.
std::vector<uint32_t> decode_utf8(const char* text) {
    std::vector<uint32_t> out;
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    while (*s) {
        uint32_t c = *s++;
        int extra = 0;
        if (c >= 0xF0) extra = 3, c &= 0x07;
        else if (c >= 0xE0) extra = 2, c &= 0x0F;
        else if (c >= 0xC0) extra = 1, c &= 0x1F;
        else if (c >= 0x80) extra = -1;
        for (int k = 0; k < extra; ++k) {
            if ((*s & 0xC0) != 0x80) {
                extra = -1;
                break;
            }
            c = (c << 6) | (*s++ & 0x3F);
        }
        out.push_back(extra < 0 || c > 0xFFFF ? 0xFFFD : c);
    }
    return out;
}

std::vector<uint32_t> decode_latin1(const char* text) {
    std::vector<uint32_t> out;
    for (const auto* s = reinterpret_cast<const unsigned char*>(text); *s; ++s) out.push_back(*s);
    return out;
}

int size_text(TTF_Font* font, const std::vector<uint32_t>& text, int* w, int* h) {
    if (!font) {
        TTF_SetError("No font");
        return -1;
    }
    int minx = 0, maxx = 0, x = 0;
    FT_UInt previous = 0;
    for (uint32_t c : text) {
        if (c == 0xFEFF || c == 0xFFFE) continue;  // byte-order marks
        GlyphMetrics g;
        if (!load_glyph(font, c, g)) {
            TTF_SetError("Couldn't load the glyph of U+%04X", static_cast<unsigned>(c));
            return -1;
        }
        x += kerning(font, previous, g.index);
        minx = std::min(minx, x + g.minx);
        maxx = std::max(maxx, x + std::max(g.advance, g.maxx));
        x += g.advance;
        previous = g.index;
    }
    if (w) *w = maxx - minx;
    if (h) *h = font->height;
    return 0;
}

struct SurfaceOwner {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};

SDL_Surface* render_blended(TTF_Font* font, const std::vector<uint32_t>& text, SDL_Color fg) {
    int width = 0, height = 0;
    if (size_text(font, text, &width, &height) < 0) return nullptr;
    if (width == 0) {
        TTF_SetError("Text has zero width");
        return nullptr;
    }
    std::unique_ptr<SDL_Surface, SurfaceOwner> surface(SDL_CreateRGBSurface(
        SDL_SWSURFACE, width, height, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000));
    if (!surface) return nullptr;
    const Uint32 pixel = (Uint32(fg.r) << 16) | (Uint32(fg.g) << 8) | fg.b;
    SDL_FillRect(surface.get(), nullptr, pixel);  // the colour everywhere, alpha 0
    auto* pixels = static_cast<Uint32*>(surface->pixels);
    const int stride = surface->pitch / 4;
    int xstart = 0;
    FT_UInt previous = 0;
    bool first = true;
    for (uint32_t c : text) {
        if (c == 0xFEFF || c == 0xFFFE) continue;
        GlyphMetrics g;
        if (!load_glyph(font, c, g) || FT_Render_Glyph(font->face->glyph, FT_RENDER_MODE_NORMAL) != 0) {
            TTF_SetError("Couldn't render the glyph of U+%04X", static_cast<unsigned>(c));
            return nullptr;
        }
        const FT_Bitmap& bitmap = font->face->glyph->bitmap;
        // FreeType may report a bitmap wider than the glyph's box.
        const int columns = std::min(static_cast<int>(bitmap.width), g.maxx - g.minx);
        xstart += kerning(font, previous, g.index);
        if (first && g.minx < 0) xstart -= g.minx;  // the first glyph reaching left of the origin
        first = false;
        for (int row = 0; row < static_cast<int>(bitmap.rows); ++row) {
            const int y = row + g.yoffset;
            if (y < 0 || y >= height) continue;
            const unsigned char* src = bitmap.buffer + row * bitmap.pitch;
            for (int col = 0; col < columns; ++col) {
                const int x = xstart + g.minx + col;
                if (x < 0 || x >= width) continue;
                pixels[y * stride + x] |= pixel | (Uint32(src[col]) << 24);
            }
        }
        xstart += g.advance;
        previous = g.index;
    }
    return surface.release();
}

}  // namespace

extern "C" {

int TTF_Init(void) {
    if (InitCount == 0 && FT_Init_FreeType(&Library) != 0) {
        TTF_SetError("Couldn't start FreeType");
        return -1;
    }
    ++InitCount;
    return 0;
}

void TTF_Quit(void) {
    if (InitCount > 0 && --InitCount == 0) {
        FT_Done_FreeType(Library);
        Library = nullptr;
    }
}

int TTF_WasInit(void) { return InitCount; }

}  // extern "C"

namespace {

// The face in font->file at ptsize, with SDL_ttf's metrics; null on failure.
TTF_Font* load_face(std::unique_ptr<TTF_Font> font, int ptsize, const char* name) {
    if (FT_New_Memory_Face(Library, font->file.data(), static_cast<FT_Long>(font->file.size()), 0, &font->face) != 0) {
        TTF_SetError("Couldn't load font file %s", name);
        return nullptr;
    }
    if (!FT_IS_SCALABLE(font->face) || FT_Set_Char_Size(font->face, 0, ptsize * 64, 0, 0) != 0) {
        FT_Done_Face(font->face);
        TTF_SetError("Couldn't set font size of %s", name);
        return nullptr;
    }
    const FT_Fixed scale = font->face->size->metrics.y_scale;
    font->ascent = ft_ceil(FT_MulFix(font->face->ascender, scale));
    font->descent = ft_ceil(FT_MulFix(font->face->descender, scale));
    font->height = font->ascent - font->descent + 1;  // the baseline's own row
    font->lineskip = ft_ceil(FT_MulFix(font->face->height, scale));
    return font.release();
}

bool initialised() {
    if (InitCount == 0) TTF_SetError("Library not initialized");
    return InitCount > 0;
}

}  // namespace

extern "C" {

TTF_Font* TTF_OpenFont(const char* file, int ptsize) {
    if (!initialised()) return nullptr;
    auto font = std::make_unique<TTF_Font>();
    if (!file || !read_whole_file(file, font->file)) {
        TTF_SetError("Couldn't open %s", file ? file : "(null)");
        return nullptr;
    }
    return load_face(std::move(font), ptsize, file);
}

// The face is read whole from src, which is closed at once when freesrc is set (as
// SDL_ttf closes it, on success or failure).
TTF_Font* TTF_OpenFontRW(SDL_RWops* src, int freesrc, int ptsize) {
    if (!src) {
        TTF_SetError("Passed a NULL font source");
        return nullptr;
    }
    auto font = std::make_unique<TTF_Font>();
    const bool read = initialised() && read_whole_stream(src, font->file);
    if (freesrc) SDL_RWclose(src);
    if (!read) {
        if (InitCount > 0) TTF_SetError("Couldn't read the font stream");
        return nullptr;
    }
    return load_face(std::move(font), ptsize, "from a stream");
}

void TTF_CloseFont(TTF_Font* font) {
    if (!font) return;
    if (font->face) FT_Done_Face(font->face);
    delete font;
}

int TTF_FontHeight(const TTF_Font* font) { return font->height; }
int TTF_FontAscent(const TTF_Font* font) { return font->ascent; }
int TTF_FontDescent(const TTF_Font* font) { return font->descent; }
int TTF_FontLineSkip(const TTF_Font* font) { return font->lineskip; }

int TTF_SizeText(TTF_Font* font, const char* text, int* w, int* h) {
    return size_text(font, decode_latin1(text ? text : ""), w, h);
}

int TTF_SizeUTF8(TTF_Font* font, const char* text, int* w, int* h) {
    return size_text(font, decode_utf8(text ? text : ""), w, h);
}

SDL_Surface* TTF_RenderText_Blended(TTF_Font* font, const char* text, SDL_Color fg) {
    return render_blended(font, decode_latin1(text ? text : ""), fg);
}

SDL_Surface* TTF_RenderUTF8_Blended(TTF_Font* font, const char* text, SDL_Color fg) {
    return render_blended(font, decode_utf8(text ? text : ""), fg);
}

}  // extern "C"

// The few calls of SDL_ttf 2.0 that the program makes, for the Windows build, where
// SDL_ttf itself is not available: text is drawn through FreeType with SDL_ttf's own
// metrics and placement, so screens look as they do on Linux.
#pragma once

#include <SDL.h>

#ifdef PERABO_TTF_RENAME
// Tests build these beside the real SDL_ttf to compare the two.
#define TTF_Init perabo_TTF_Init
#define TTF_Quit perabo_TTF_Quit
#define TTF_WasInit perabo_TTF_WasInit
#define TTF_OpenFont perabo_TTF_OpenFont
#define TTF_OpenFontRW perabo_TTF_OpenFontRW
#define TTF_CloseFont perabo_TTF_CloseFont
#define TTF_FontHeight perabo_TTF_FontHeight
#define TTF_FontAscent perabo_TTF_FontAscent
#define TTF_FontDescent perabo_TTF_FontDescent
#define TTF_FontLineSkip perabo_TTF_FontLineSkip
#define TTF_SizeText perabo_TTF_SizeText
#define TTF_SizeUTF8 perabo_TTF_SizeUTF8
#define TTF_RenderText_Blended perabo_TTF_RenderText_Blended
#define TTF_RenderUTF8_Blended perabo_TTF_RenderUTF8_Blended
#define _TTF_Font perabo_TTF_Font_
#endif

extern "C" {

typedef struct _TTF_Font TTF_Font;

// 0 on success, -1 when FreeType cannot start.
int TTF_Init(void);
void TTF_Quit(void);
int TTF_WasInit(void);

// file is a UTF-8 path; ptsize in points at 72 dpi, as SDL_ttf sizes fonts.
TTF_Font* TTF_OpenFont(const char* file, int ptsize);
// The font read from src; src is closed when freesrc is non-zero, whatever the result.
TTF_Font* TTF_OpenFontRW(SDL_RWops* src, int freesrc, int ptsize);
void TTF_CloseFont(TTF_Font* font);

int TTF_FontHeight(const TTF_Font* font);
int TTF_FontAscent(const TTF_Font* font);
int TTF_FontDescent(const TTF_Font* font);
int TTF_FontLineSkip(const TTF_Font* font);

// Latin-1 text (Text) or UTF-8 text (UTF8). 0, or -1 with the reason in TTF_GetError.
int TTF_SizeText(TTF_Font* font, const char* text, int* w, int* h);
int TTF_SizeUTF8(TTF_Font* font, const char* text, int* w, int* h);

// A 32-bit ARGB surface in fg's colour with the glyphs' coverage as alpha; NULL for an
// empty text or on failure.
SDL_Surface* TTF_RenderText_Blended(TTF_Font* font, const char* text, SDL_Color fg);
SDL_Surface* TTF_RenderUTF8_Blended(TTF_Font* font, const char* text, SDL_Color fg);

}  // extern "C"

#define TTF_SetError SDL_SetError
#define TTF_GetError SDL_GetError

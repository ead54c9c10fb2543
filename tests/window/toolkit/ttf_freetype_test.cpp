// The Windows build draws text through FreeType behind SDL_ttf's calls; here both run
// side by side on Linux and must give the same sizes and the same pixels, so the
// Windows screens are laid out as the Linux ones.
#include <SDL.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <string>

// The FreeType version, built with its names prefixed so it links beside SDL_ttf.
extern "C" {
struct perabo_TTF_Font_;
int perabo_TTF_Init(void);
void perabo_TTF_Quit(void);
perabo_TTF_Font_* perabo_TTF_OpenFont(const char* file, int ptsize);
perabo_TTF_Font_* perabo_TTF_OpenFontRW(SDL_RWops* src, int freesrc, int ptsize);
void perabo_TTF_CloseFont(perabo_TTF_Font_* font);
int perabo_TTF_FontHeight(const perabo_TTF_Font_* font);
int perabo_TTF_FontAscent(const perabo_TTF_Font_* font);
int perabo_TTF_SizeText(perabo_TTF_Font_* font, const char* text, int* w, int* h);
int perabo_TTF_SizeUTF8(perabo_TTF_Font_* font, const char* text, int* w, int* h);
SDL_Surface* perabo_TTF_RenderText_Blended(perabo_TTF_Font_* font, const char* text, SDL_Color fg);
SDL_Surface* perabo_TTF_RenderUTF8_Blended(perabo_TTF_Font_* font, const char* text, SDL_Color fg);
}

namespace {

const std::string FontDir = PERABO_RUNTIME_DIR "/font/";

class TextDrawing : public ::testing::TestWithParam<const char*> {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(SDL_Init(0), 0);
        ASSERT_EQ(TTF_Init(), 0);
        ASSERT_EQ(perabo_TTF_Init(), 0);
    }
    static void TearDownTestSuite() {
        perabo_TTF_Quit();
        TTF_Quit();
        SDL_Quit();
    }
};

// Every pixel's colour and coverage, compared.
void expect_same_pixels(SDL_Surface* theirs, SDL_Surface* ours, const std::string& what) {
    ASSERT_NE(theirs, nullptr) << what;
    ASSERT_NE(ours, nullptr) << what;
    ASSERT_EQ(ours->w, theirs->w) << what;
    ASSERT_EQ(ours->h, theirs->h) << what;
    ASSERT_EQ(ours->format->BitsPerPixel, 32);
    ASSERT_EQ(ours->format->Amask, theirs->format->Amask);
    int different = 0;
    for (int y = 0; y < ours->h; ++y) {
        const auto* a = reinterpret_cast<const Uint32*>(static_cast<Uint8*>(theirs->pixels) + y * theirs->pitch);
        const auto* b = reinterpret_cast<const Uint32*>(static_cast<Uint8*>(ours->pixels) + y * ours->pitch);
        for (int x = 0; x < ours->w; ++x) different += a[x] != b[x];
    }
    EXPECT_EQ(different, 0) << what << ": pixels that differ from SDL_ttf's";
}

TEST_P(TextDrawing, SizesAndPixelsAreSdlTtfs) {
    for (const char* face : {"sheep.ttf", "sheepsansbold.ttf"}) {
        const std::string path = FontDir + face;
        TTF_Font* theirs = TTF_OpenFont(path.c_str(), 15);
        perabo_TTF_Font_* ours = perabo_TTF_OpenFont(path.c_str(), 15);
        ASSERT_NE(theirs, nullptr);
        ASSERT_NE(ours, nullptr);
        EXPECT_EQ(perabo_TTF_FontHeight(ours), TTF_FontHeight(theirs));
        EXPECT_EQ(perabo_TTF_FontAscent(ours), TTF_FontAscent(theirs));

        const std::string what = std::string(face) + " \"" + GetParam() + "\"";
        int tw = 0, th = 0, ow = -1, oh = -1;
        ASSERT_EQ(TTF_SizeUTF8(theirs, GetParam(), &tw, &th), 0);
        ASSERT_EQ(perabo_TTF_SizeUTF8(ours, GetParam(), &ow, &oh), 0);
        EXPECT_EQ(ow, tw) << what;
        EXPECT_EQ(oh, th) << what;

        const SDL_Color colour{0, 0, 0, 0};
        SDL_Surface* a = TTF_RenderUTF8_Blended(theirs, GetParam(), colour);
        SDL_Surface* b = perabo_TTF_RenderUTF8_Blended(ours, GetParam(), colour);
        expect_same_pixels(a, b, what);
        SDL_FreeSurface(a);
        SDL_FreeSurface(b);
        perabo_TTF_CloseFont(ours);
        TTF_CloseFont(theirs);
    }
}

INSTANTIATE_TEST_SUITE_P(
    ScreenTexts, TextDrawing,
    ::testing::Values("Talvo Perabo", "Click on the system you want to configure, and select an action",
                      "198.51.100.11", "K-R 720897", "TLV-3.3.0.firm", "Wj_gy, AV To",
                      "j", "Z\xc3\xbcrich \xc3\x85ngstr\xc3\xb6m"));

TEST_F(TextDrawing, Latin1TextIsDrawnAsItsCharacters) {
    const std::string path = FontDir + "sheep.ttf";
    TTF_Font* theirs = TTF_OpenFont(path.c_str(), 15);
    perabo_TTF_Font_* ours = perabo_TTF_OpenFont(path.c_str(), 15);
    ASSERT_NE(theirs, nullptr);
    ASSERT_NE(ours, nullptr);
    const char* latin1 = "Z\xfcrich";  // one byte per character
    int tw = 0, th = 0, ow = -1, oh = -1;
    ASSERT_EQ(TTF_SizeText(theirs, latin1, &tw, &th), 0);
    ASSERT_EQ(perabo_TTF_SizeText(ours, latin1, &ow, &oh), 0);
    EXPECT_EQ(ow, tw);
    SDL_Surface* a = TTF_RenderText_Blended(theirs, latin1, SDL_Color{0, 0, 0, 0});
    SDL_Surface* b = perabo_TTF_RenderText_Blended(ours, latin1, SDL_Color{0, 0, 0, 0});
    expect_same_pixels(a, b, "Latin-1 text");
    SDL_FreeSurface(a);
    SDL_FreeSurface(b);
    perabo_TTF_CloseFont(ours);
    TTF_CloseFont(theirs);
}

// A file stream whose closings are counted.
int StreamsClosed = 0;
int (*CloseFileStream)(SDL_RWops*) = nullptr;

int close_counted(SDL_RWops* stream) {
    ++StreamsClosed;
    return CloseFileStream(stream);
}

SDL_RWops* counted_stream(const std::string& path) {
    SDL_RWops* stream = SDL_RWFromFile(path.c_str(), "rb");
    if (!stream) return nullptr;
    CloseFileStream = stream->close;
    stream->close = close_counted;
    return stream;
}

// The program opens its fonts as streams it checked itself, and hands them over.
TEST_F(TextDrawing, FontsReadFromStreamsAreSdlTtfsAndCloseTheirStream) {
    const std::string path = FontDir + "sheepsansbold.ttf";
    TTF_Font* theirs = TTF_OpenFontRW(SDL_RWFromFile(path.c_str(), "rb"), 1, 15);
    StreamsClosed = 0;
    perabo_TTF_Font_* ours = perabo_TTF_OpenFontRW(counted_stream(path), 1, 15);
    ASSERT_NE(theirs, nullptr);
    ASSERT_NE(ours, nullptr);
    EXPECT_EQ(StreamsClosed, 1);
    EXPECT_EQ(perabo_TTF_FontHeight(ours), TTF_FontHeight(theirs));
    const char* text = "Installation of the SD board file system.";
    SDL_Surface* a = TTF_RenderUTF8_Blended(theirs, text, SDL_Color{0, 0, 0, 0});
    SDL_Surface* b = perabo_TTF_RenderUTF8_Blended(ours, text, SDL_Color{0, 0, 0, 0});
    expect_same_pixels(a, b, "a font read from a stream");
    SDL_FreeSurface(a);
    SDL_FreeSurface(b);
    perabo_TTF_CloseFont(ours);
    TTF_CloseFont(theirs);

    // Not a font: nothing, and the stream is closed all the same.
    EXPECT_EQ(perabo_TTF_OpenFontRW(counted_stream(PERABO_RUNTIME_DIR "/img/icon.bmp"), 1, 15), nullptr);
    EXPECT_EQ(StreamsClosed, 2);
    // Without freesrc the stream stays the caller's.
    SDL_RWops* kept = counted_stream(path);
    ours = perabo_TTF_OpenFontRW(kept, 0, 15);
    ASSERT_NE(ours, nullptr);
    EXPECT_EQ(StreamsClosed, 2);
    perabo_TTF_CloseFont(ours);
    SDL_RWclose(kept);
    EXPECT_EQ(perabo_TTF_OpenFontRW(nullptr, 1, 15), nullptr);
}

TEST_F(TextDrawing, MissingFontsAndEmptyTextsGiveNothing) {
    EXPECT_EQ(perabo_TTF_OpenFont((FontDir + "missing.ttf").c_str(), 15), nullptr);
    EXPECT_NE(std::string(SDL_GetError()).find("missing.ttf"), std::string::npos);
    perabo_TTF_Font_* ours = perabo_TTF_OpenFont((FontDir + "sheep.ttf").c_str(), 15);
    ASSERT_NE(ours, nullptr);
    EXPECT_EQ(perabo_TTF_RenderUTF8_Blended(ours, "", SDL_Color{0, 0, 0, 0}), nullptr);
    perabo_TTF_CloseFont(ours);
}

}  // namespace

// Texts as the screens draw them: UTF-8 names drawn as UTF-8, other bytes as Latin-1,
// and wrapping of a text wider than its place.
#include "support/screen_fixture.h"
#include "toolkit/drawing.h"

#include <string>

namespace {

class TextDrawingTest : public ScreenTest {};

int rendered_width(const SurfacePtr& s) { return s ? s->w : 0; }

}  // namespace

TEST_F(TextDrawingTest, Utf8NamesAreDrawnAsUtf8) {
    const char* name = "Mise-\xC3\xA0-jour-\xC3\xA9t\xC3\xA9.firm";  // "Mise-à-jour-été.firm"
    ASSERT_TRUE(is_valid_utf8(name));
    SDL_Color black{0, 0, 0, 0};
    SurfacePtr as_utf8(TTF_RenderUTF8_Blended(RegularFont, name, black));
    SurfacePtr as_latin1(TTF_RenderText_Blended(RegularFont, name, black));
    ASSERT_NE(rendered_width(as_utf8), rendered_width(as_latin1)) << "two glyphs per accent as Latin-1";
    EXPECT_EQ(rendered_width(render_text(RegularFont, name)), rendered_width(as_utf8));
    EXPECT_EQ(text_width(RegularFont, name), rendered_width(as_utf8));
}

TEST_F(TextDrawingTest, OtherBytesAreDrawnAsLatin1) {
    for (const char* name : {"caf\xE9.firm", "\xC3(.firm", "\xED\xA0\x80.firm", "\xC0\xAF.firm", "\xF4\x90\x80\x80"}) {
        EXPECT_FALSE(is_valid_utf8(name)) << name;
        SDL_Color black{0, 0, 0, 0};
        SurfacePtr as_latin1(TTF_RenderText_Blended(RegularFont, name, black));
        EXPECT_EQ(rendered_width(render_text(RegularFont, name)), rendered_width(as_latin1)) << name;
    }
    EXPECT_TRUE(is_valid_utf8("plain.firm"));
}

TEST_F(TextDrawingTest, WrappedLinesFitAndKeepEveryCharacter) {
    const std::string text = "The system stopped answering during the SD board file system installation "
                             "/a/path/without/any/space/in/it/that/is/far/wider/than/one/line/\xC3\xA9t\xC3\xA9.spmmc";
    const int width = 200;
    const auto lines = wrap_text(BoldFont, text, width);
    ASSERT_GT(lines.size(), 3u);
    std::string joined;
    for (const std::string& line : lines) {
        EXPECT_LE(text_width(BoldFont, line), width) << line;
        EXPECT_TRUE(is_valid_utf8(line.c_str())) << "a character cut in two: " << line;
        joined += line;
    }
    std::string without_spaces;
    for (char c : text)
        if (c != ' ') without_spaces += c;
    std::string joined_without_spaces;
    for (char c : joined)
        if (c != ' ') joined_without_spaces += c;
    EXPECT_EQ(joined_without_spaces, without_spaces);
    EXPECT_EQ(wrap_text(BoldFont, "short", width), (std::vector<std::string>{"short"}));
}

// Names between the program's UTF-8 and the UTF-16 of the Windows calls: what a
// directory search returns must show right and open again.
#include "platform/utf16.h"

#include <gtest/gtest.h>

using platform::utf16_to_utf8;
using platform::utf8_to_utf16;

TEST(Utf16, NamesOutsideLatin1SurviveTheRoundTrip) {
    const std::u16string wide = u"Z\u00fcrich_\u03a9_\u6e2c\u5b9a.firm";
    const std::string narrow = utf16_to_utf8(wide);
    EXPECT_EQ(narrow, "Z\xc3\xbcrich_\xce\xa9_\xe6\xb8\xac\xe5\xae\x9a.firm");
    EXPECT_EQ(utf8_to_utf16(narrow), wide);
}

TEST(Utf16, SupplementaryCharactersBecomeOneFourByteSequence) {
    const std::u16string wide = u"fw_\U0001F680.firm";  // a surrogate pair in UTF-16
    const std::string narrow = utf16_to_utf8(wide);
    EXPECT_EQ(narrow, "fw_\xf0\x9f\x9a\x80.firm");
    EXPECT_EQ(utf8_to_utf16(narrow), wide);
}

TEST(Utf16, UnpairedSurrogatesInWindowsNamesStillOpen) {
    // NTFS allows them; the name must come back unchanged to reach the same file.
    const std::u16string lone_high = std::u16string(u"a") + char16_t(0xD800) + u".firm";
    const std::u16string lone_low = std::u16string(u"b") + char16_t(0xDC05) + u"c";
    const std::u16string reversed = std::u16string() + char16_t(0xDC00) + char16_t(0xD800);
    for (const std::u16string& name : {lone_high, lone_low, reversed})
        EXPECT_EQ(utf8_to_utf16(utf16_to_utf8(name)), name);
    EXPECT_EQ(utf16_to_utf8(lone_high), "a\xed\xa0\x80.firm");
}

TEST(Utf16, BrokenUtf8BecomesReplacementCharacters) {
    EXPECT_EQ(utf8_to_utf16("a\xffz"), u"a\uFFFDz");
    EXPECT_EQ(utf8_to_utf16("\xc0\xaf"), u"\uFFFD\uFFFD");  // an overlong '/', not a separator
    EXPECT_EQ(utf8_to_utf16("x\xe6\xb8"), u"x\uFFFD\uFFFD");  // cut short at the end
    EXPECT_EQ(utf8_to_utf16("\xf4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // past U+10FFFF
    EXPECT_EQ(utf8_to_utf16(""), u"");
}

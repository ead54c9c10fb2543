#include "app/event_loops.h"
#include "screens/scanning_screen.h"
#include "screens/toolbar.h"
#include "support/screen_fixture.h"
#include "toolkit/drawing.h"
#include "toolkit/resource_path.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

SDL_Event motion_at(int x) { return motion_event(x, 20); }
SDL_Event click_at(int x) { return button_event(x, 20); }

// Text pixels in x0..x1, y0..y1 (ends excluded).
int dark_pixels(int x0, int x1, int y0, int y1) {
    int dark = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) dark += pixel_at(x, y).r < 100;
    return dark;
}

// The bars' pixels above their separator, right of the buttons.
std::vector<Uint32> bar_pixels() {
    std::vector<Uint32> pixels;
    for (int y = 0; y < 44; ++y)
        for (int x = 100; x < ScreenWidth; ++x) {
            const Rgb p = pixel_at(x, y);
            pixels.push_back(p.r << 16 | p.g << 8 | p.b);
        }
    return pixels;
}

class ToolbarTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        system_list_toolbar_motion(motion_at(300));
        firmware_toolbar_motion(motion_at(300));
    }
};

TEST_F(ToolbarTest, ButtonZonesExcludeTheirEdges) {
    struct Case { int x; int32_t result; };
    const Case cases[] = {{5, 0}, {6, 2}, {44, 2}, {45, 0}, {47, 0}, {50, 0},
                          {51, 1}, {89, 1}, {90, 0}, {400, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(system_list_toolbar_click(click_at(c.x)), c.result) << "x " << c.x;
        EXPECT_EQ(firmware_toolbar_click(click_at(c.x)), c.result) << "x " << c.x;
    }
}

TEST_F(ToolbarTest, HoverReportsAChangeOnceOnEnteringAndLeaving) {
    EXPECT_EQ(system_list_toolbar_motion(motion_at(50)), 1);   // edge: still outside
    EXPECT_EQ(system_list_toolbar_motion(motion_at(51)), 0);   // enters rescan
    EXPECT_EQ(SystemListToolbar.RescanHover, 1);
    EXPECT_EQ(system_list_toolbar_motion(motion_at(70)), 1);   // moves within
    EXPECT_EQ(system_list_toolbar_motion(motion_at(89)), 1);
    EXPECT_EQ(system_list_toolbar_motion(motion_at(44)), 0);   // straight into back
    EXPECT_EQ(SystemListToolbar.RescanHover, 0);
    EXPECT_EQ(SystemListToolbar.BackHover, 1);
    EXPECT_EQ(system_list_toolbar_motion(motion_at(45)), 0);   // leaves
    EXPECT_EQ(system_list_toolbar_motion(motion_at(46)), 1);
    EXPECT_EQ(SystemListToolbar.BackHover, 0);
}

TEST_F(ToolbarTest, EachToolbarKeepsItsOwnFlags) {
    system_list_toolbar_motion(motion_at(60));
    EXPECT_EQ(SystemListToolbar.RescanHover, 1);
    EXPECT_EQ(FirmwareToolbar.RescanHover, 0);
}

TEST_F(ToolbarTest, ClickClearsTheClickedButtonsHighlight) {
    system_list_toolbar_motion(motion_at(60));
    ASSERT_EQ(SystemListToolbar.RescanHover, 1);
    EXPECT_EQ(system_list_toolbar_click(click_at(60)), 1);
    EXPECT_EQ(SystemListToolbar.RescanHover, 0);

    firmware_toolbar_motion(motion_at(20));
    ASSERT_EQ(FirmwareToolbar.BackHover, 1);
    EXPECT_EQ(firmware_toolbar_click(click_at(20)), 2);
    EXPECT_EQ(FirmwareToolbar.BackHover, 0);
}

// The highlighted button image differs from the plain one; the drawn bar shows which.
TEST_F(ToolbarTest, DrawShowsTheHighlightUnderThePointer) {
    system_list_toolbar_draw();
    const Rgb plain = pixel_at(52, 4);
    system_list_toolbar_motion(motion_at(60));
    system_list_toolbar_draw();
    const Rgb high = pixel_at(52, 4);
    EXPECT_FALSE(same_colour(plain, high)) << plain << " " << high;
    EXPECT_TRUE(same_colour(pixel_at(400, 44), Rgb{0, 0, 0}));     // separator
    EXPECT_TRUE(same_colour(pixel_at(799, 1), BackgroundColour));  // bar
}

TEST_F(ToolbarTest, InterfaceHeaderHasHintAndSeparator) {
    interface_header_draw();
    EXPECT_TRUE(same_colour(pixel_at(0, 44), Rgb{0, 0, 0}));
    EXPECT_TRUE(same_colour(pixel_at(799, 44), Rgb{0, 0, 0}));
    EXPECT_GT(dark_pixels(5, 700, 14, 34), 200) << "the hint text is drawn";
}

void clear_screen() { SDL_FillRect(Screen, nullptr, map_rgb(BackgroundColour)); }

// The system list's hint is wider than the room right of its buttons: all of it shows,
// on two lines above the separator, none of it at the window's edge.
TEST_F(ToolbarTest, LongHintWrapsInsideTheBar) {
    clear_screen();
    blit(render_text(BoldFont, SystemListToolbar.hint_text).get(), 0, 100);  // on one line
    const int whole = dark_pixels(0, ScreenWidth, 100, 130);
    clear_screen();
    system_list_toolbar_draw();
    EXPECT_NEAR(dark_pixels(100, ScreenWidth, 0, 44), whole, whole / 50) << "part of the hint is missing";
    EXPECT_EQ(dark_pixels(ScreenWidth - 5, ScreenWidth, 0, 44), 0) << "reaches the window's edge";
    EXPECT_GT(dark_pixels(100, ScreenWidth, 34, 44), 0) << "no second line";
    EXPECT_EQ(dark_pixels(0, ScreenWidth, 45, 100), 0) << "drawn below the bar";
}

// Hints that fit are exactly a plain text at (x, 14).
TEST_F(ToolbarTest, HintsThatFitKeepTheirPlace) {
    struct Case { int32_t (*draw)(); const char* text; int x; };
    const Case cases[] = {{firmware_toolbar_draw, FirmwareToolbar.hint_text, 150},
                          {interface_header_draw, "Choose by clicking on it the network interface that you want to use.", 5}};
    for (const Case& c : cases) {
        clear_screen();
        blit(render_text(BoldFont, c.text).get(), c.x, 14);
        const std::vector<Uint32> expected = bar_pixels();
        c.draw();
        EXPECT_TRUE(bar_pixels() == expected) << c.text;
    }
}

// Bounding box of the pixels that differ from the background in the indicator's band.
struct Box { int left = 10000, right = -1; };

Box indicator_box() {
    Box box;
    for (int y = 280; y < 330; ++y)
        for (int x = 0; x < ScreenWidth; ++x)
            if (!same_colour(pixel_at(x, y), BackgroundColour)) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
            }
    return box;
}

TEST_F(ToolbarTest, ScanningIndicatorMovesSevenPixelsAFrame) {
    scanning_screen_draw(0);
    const Box at0 = indicator_box();
    ASSERT_GE(at0.left, 50);
    ASSERT_LT(at0.left, 90) << "the indicator is drawn from x 50 at frame 0";
    const int inset = at0.left - 50;  // transparent columns at the image's left
    scanning_screen_draw(50);
    EXPECT_EQ(indicator_box().left, 400 + inset);
    scanning_screen_draw(100);
    const Box at100 = indicator_box();
    EXPECT_EQ(at100.left, 750 + inset);
    EXPECT_EQ(at100.right - at100.left, at0.right - at0.left);
    // Above the band: the waiting text at (270, 240), the same at every frame.
    int dark = 0;
    for (int x = 270; x < 560; ++x)
        for (int y = 240; y < 262; ++y) dark += pixel_at(x, y).r < 100;
    EXPECT_GT(dark, 200);
}

TEST(FrameCounter, RunsZeroToHundredThenWraps) {
    int32_t frame = 0;
    for (int i = 0; i < 100; ++i) frame = next_frame(frame);
    EXPECT_EQ(frame, 100);
    EXPECT_EQ(next_frame(frame), 0);
}

}  // namespace

namespace {

// Missing images never crash a screen: it is drawn without them.
TEST_F(ToolbarTest, MissingImagesAreLeftOut) {
    char saved[ResourceDirSize];
    std::memcpy(saved, ResourceDir, sizeof saved);
    std::snprintf(ResourceDir, sizeof ResourceDir, "/nonexistent-perabo-dir");
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(system_list_toolbar_prepare(), -1);
    EXPECT_EQ(scanning_screen_prepare(), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "SDL_LoadBMP error\n");
    system_list_toolbar_draw();
    EXPECT_TRUE(same_colour(pixel_at(60, 20), BackgroundColour));
    EXPECT_EQ(system_list_toolbar_click(click_at(60)), 1) << "the zone still works";
    scanning_screen_draw(50);
    EXPECT_TRUE(same_colour(pixel_at(420, 300), BackgroundColour));
    std::memcpy(ResourceDir, saved, sizeof saved);
    system_list_toolbar_prepare();
    scanning_screen_prepare();
}

}  // namespace

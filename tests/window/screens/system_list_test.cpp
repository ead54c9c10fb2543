// The system list: which rows and buttons show while scrolling, selection, bullets,
// and the strict edges of every zone, checked on Screen's pixels and the results.
#include "core_link/system_table.h"
#include "screens/system_list.h"
#include "support/list_fixture.h"
#include "support/screen_fixture.h"
#include "toolkit/drawing.h"

#include <cstdio>

namespace {

int32_t move_to(int x, int y) { return system_list_motion(motion_event(x, y)); }
int32_t click(int x, int y) { return system_list_click(button_event(x, y)); }

// Dark pixels of text in the type column of the band starting at top.
int text_pixels(int top) {
    int dark = 0;
    for (int y = top + 8; y < top + 30; ++y)
        for (int x = 5; x < 80; ++x) dark += pixel_at(x, y).r < 100;
    return dark;
}

class SystemListTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        SystemList.FirstVisible = 0;
        move_to(300, 300);
    }
    void TearDown() override { fill_systems(0); }

    // True when the band at top shows a white button face.
    static bool button_band(int top) {
        return same_colour(pixel_at(10, top + 10), Rgb{255, 255, 255}) &&
               same_colour(pixel_at(10, top), Rgb{0, 0, 0});
    }
};

TEST_F(SystemListTest, EmptyListShowsTitlesAndNoButtons) {
    fill_systems(0);
    system_list_draw();
    EXPECT_TRUE(same_colour(pixel_at(300, 60), Rgb{207, 225, 243}));  // title bar
    EXPECT_TRUE(same_colour(pixel_at(300, 74), Rgb{255, 255, 255}));  // underline
    EXPECT_FALSE(button_band(UpBandTop));
    EXPECT_FALSE(button_band(DownBandTop));
    EXPECT_EQ(click(100, 90), 1);
    EXPECT_EQ(SelectedSystem, -1);
}

TEST_F(SystemListTest, FifteenSystemsFillEverySlot) {
    fill_systems(15);
    system_list_draw();
    EXPECT_FALSE(button_band(DownBandTop));
    for (int s = 0; s < 15; ++s) EXPECT_GT(text_pixels(75 + 35 * s), 20) << "slot " << s;
}

TEST_F(SystemListTest, SixteenSystemsScrollUntilEveryOneIsReachable) {
    fill_systems(16);
    system_list_draw();
    EXPECT_FALSE(button_band(UpBandTop));
    EXPECT_TRUE(button_band(DownBandTop));
    EXPECT_GT(text_pixels(75 + 35 * 13), 20) << "row 13 in slot 13";

    EXPECT_EQ(click(400, 580), 0);
    system_list_draw();
    EXPECT_EQ(SystemList.FirstVisible, 1);
    EXPECT_TRUE(button_band(UpBandTop));
    EXPECT_TRUE(button_band(DownBandTop));
    EXPECT_GT(text_pixels(110 + 35 * 12), 20) << "row 13 in slot 12";

    EXPECT_EQ(click(400, 580), 0);
    system_list_draw();
    EXPECT_EQ(SystemList.FirstVisible, 2);
    EXPECT_FALSE(button_band(DownBandTop));
    EXPECT_GT(text_pixels(110 + 35 * 13), 20) << "row 15 in slot 13";
    EXPECT_EQ(click(400, 580), 0);  // slot 13 is row 15: it gets selected
    EXPECT_EQ(SelectedSystem, 15);

    EXPECT_EQ(click(400, 90), 0);  // up
    EXPECT_EQ(SystemList.FirstVisible, 1);
}

TEST_F(SystemListTest, RowColoursFollowTheSlotAndTheSelection) {
    fill_systems(16);
    system_list_draw();
    EXPECT_TRUE(same_colour(pixel_at(790, 75 + 20), EvenRowColour));
    EXPECT_TRUE(same_colour(pixel_at(790, 110 + 20), OddRowColour));
    EXPECT_TRUE(same_colour(pixel_at(790, 110 + 34), Rgb{255, 255, 255})) << "separator";
    click(400, 580);  // scroll: record 1 moves to the even slot 0
    EXPECT_EQ(click(300, 160), 0);
    EXPECT_EQ(SelectedSystem, 2);
    system_list_draw();
    EXPECT_TRUE(same_colour(pixel_at(790, 110 + 20), EvenRowColour));
    EXPECT_TRUE(same_colour(pixel_at(790, 145 + 20), ChosenRowColour));
    EXPECT_TRUE(same_colour(pixel_at(790, 180 + 20), EvenRowColour)) << "record 3, slot 2";
}

TEST_F(SystemListTest, FirstClickSelectsEvenOverABulletColumn) {
    fill_systems(3);
    move_to(480, 130);
    EXPECT_EQ(click(480, 130), 0);
    EXPECT_EQ(SelectedSystem, 1);
    system_list_draw();
    // Both bullets now stand on the selected row, not on any other.
    EXPECT_FALSE(same_colour(pixel_at(487, 110 + 17), ChosenRowColour));
    EXPECT_FALSE(same_colour(pixel_at(767, 110 + 17), ChosenRowColour));
    EXPECT_TRUE(same_colour(pixel_at(487, 75 + 17), EvenRowColour));
}

TEST_F(SystemListTest, SecondClickActsOnlyThroughTheBulletsHover) {
    fill_systems(3);
    click(300, 130);
    ASSERT_EQ(SelectedSystem, 1);
    struct Case { int x; int32_t motion; int32_t result; };
    const Case cases[] = {{475, 1, 1}, {476, 0, 2}, {498, 1, 2}, {499, 0, 1},
                          {756, 0, 3}, {778, 1, 3}, {779, 0, 1}, {300, 1, 1}};
    for (const Case& c : cases) {
        EXPECT_EQ(move_to(c.x, 130), c.motion) << "x " << c.x;
        EXPECT_EQ(click(c.x, 130), c.result) << "x " << c.x;
    }
    move_to(480, 130);
    EXPECT_EQ(click(480, 95), 0) << "another row: selects it, whatever the hover";
    EXPECT_EQ(SelectedSystem, 0);
}

// However wide the address, no bullet pixel (blue: neither the row nor its text) covers
// it, and the bullet takes the pointer where it is drawn, beside the text. A narrow one
// keeps the column's place (SecondClickActsOnlyThroughTheBulletsHover).
TEST_F(SystemListTest, IpBulletStandsBesideTheAddress) {
    fill_systems(3);
    click(300, 130);
    for (const char* ip : {"198.51.100.150", "255.255.255.255"}) {
        std::snprintf(SystemTable[1].ip_text, sizeof SystemTable[1].ip_text, "%s", ip);
        const int end = 365 + text_width(RegularFont, ip), bullet = end + 12;
        move_to(300, 130);
        system_list_draw();
        int covered = 0;
        for (int x = 365; x < end; ++x)
            for (int y = 110; y < 145; ++y) covered += pixel_at(x, y).b > pixel_at(x, y).r + 20;
        EXPECT_EQ(covered, 0) << ip;
        EXPECT_GT(pixel_at(bullet, 127).b, pixel_at(bullet, 127).r + 20) << ip << ": no bullet beside it";
        move_to(end - 3, 130);
        EXPECT_EQ(click(end - 3, 130), 1) << ip << ": over the last digit";
        move_to(bullet, 130);
        EXPECT_EQ(click(bullet, 130), 2) << ip;
    }
}

TEST_F(SystemListTest, BandEdgesHitNoRow) {
    fill_systems(3);
    EXPECT_EQ(click(300, 110), 1);
    EXPECT_EQ(click(300, 75), 1);
    EXPECT_EQ(SelectedSystem, -1);
    EXPECT_EQ(click(300, 111), 0);
    EXPECT_EQ(SelectedSystem, 1);
}

TEST_F(SystemListTest, SelectedRowScrolledAwayIsUnreachable) {
    fill_systems(20);
    click(300, 90);  // select record 0
    ASSERT_EQ(SelectedSystem, 0);
    click(400, 580);  // scroll: record 0 leaves the screen
    // Its band now lies under the up button, y 75..109; bullets cannot be reached.
    EXPECT_EQ(move_to(480, 90), 0) << "the up arrow highlights";
    EXPECT_EQ(IpBulletHover, 1) << "the band is computed even when off screen";
    EXPECT_EQ(click(480, 90), 0) << "the click scrolls back instead of acting";
    EXPECT_EQ(SystemList.FirstVisible, 0);
}

TEST_F(SystemListTest, RecordsFromHundredOnAreNeverDrawn) {
    fill_systems(105);
    SystemList.FirstVisible = 95;
    system_list_draw();
    for (int s = 0; s < 5; ++s) EXPECT_GT(text_pixels(110 + 35 * s), 20) << "record " << 95 + s;
    EXPECT_EQ(text_pixels(110 + 35 * 5), 0) << "record 100";
    EXPECT_EQ(click(300, 110 + 35 * 5 + 10), 1);
    EXPECT_EQ(SelectedSystem, -1);
}

// Every redraw renders the row texts again; the sanitizer build checks that the
// replaced ones are freed.
TEST_F(SystemListTest, RedrawsReplaceTheirTexts) {
    fill_systems(16);
    for (int i = 0; i < 50; ++i) system_list_draw();
    EXPECT_GT(text_pixels(75), 20);
}

}  // namespace

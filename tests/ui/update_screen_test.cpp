// The progress screen: its text for each step, the moving indicator, the ended layout
// with its Ok button, and the rule that Ok counts only once the update has ended.
#include "firmware/update_screen.h"
#include "firmware/update_sequence.h"
#include "support/screen_fixture.h"

#include <cstring>
#include <string>

namespace {

class UpdateScreenTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        update_screen_motion(motion_event(10, 10));
    }
    // Leftmost column in the indicator's band that differs from the background.
    static int indicator_left() {
        for (int x = 0; x < ScreenWidth; ++x)
            for (int y = 280; y < 322; ++y)
                if (!same_colour(pixel_at(x, y), BackgroundColour)) return x;
        return -1;
    }
};

TEST_F(UpdateScreenTest, TextForEachStep) {
    char buffer[300];
    EXPECT_STREQ(update_status_text(1, buffer, sizeof buffer), "Initialization of the firmware update.");
    EXPECT_STREQ(update_status_text(2, buffer, sizeof buffer), "Initialization of the firmware update.");
    EXPECT_STREQ(update_status_text(4, buffer, sizeof buffer), "Installation in progress. Please wait 2 minutes.");
    EXPECT_STREQ(update_status_text(7, buffer, sizeof buffer), "Validation of the SD board's file system.");
    EXPECT_STREQ(update_status_text(9, buffer, sizeof buffer), "The firmware was updated.");
    EXPECT_EQ(update_status_text(0, buffer, sizeof buffer), nullptr);
    EXPECT_EQ(update_status_text(11, buffer, sizeof buffer), nullptr);
    set_update_error("Impossible to access the system");
    EXPECT_STREQ(update_status_text(10, buffer, sizeof buffer),
                 "Firmware update error: Impossible to access the system.");
    set_update_error("reboot failed: errno=%d \n", 5);
    EXPECT_STREQ(update_status_text(10, buffer, sizeof buffer), "Firmware update error: reboot failed: errno=5 \n.");
}

TEST_F(UpdateScreenTest, LongReasonsAreCutToTheBuffer) {
    const std::string reason(400, 'r');
    set_update_error("%s", reason.c_str());
    EXPECT_EQ(std::strlen(UpdateErrorText), UpdateErrorTextSize - 1);
}

TEST_F(UpdateScreenTest, BusyIndicatorMovesWithTheFrame) {
    UpdateStatus.store(3);
    update_screen_draw(0);
    const int inset = indicator_left() - 50;
    ASSERT_GE(inset, 0);
    ASSERT_LT(inset, 20);
    update_screen_draw(50);
    EXPECT_EQ(indicator_left(), 400 + inset);
    update_screen_draw(100);
    EXPECT_EQ(indicator_left(), 750 + inset);
}

TEST_F(UpdateScreenTest, EndedLayoutShowsOkInsteadOfTheIndicator) {
    UpdateStatus.store(9);
    update_screen_draw(0);
    EXPECT_TRUE(same_colour(pixel_at(60, 300), BackgroundColour)) << "no indicator at frame 0's place";
    EXPECT_FALSE(same_colour(pixel_at(402, 290), BackgroundColour)) << "the Ok button at (400, 280)";
    const Rgb plain = pixel_at(445, 300);
    update_screen_motion(motion_event(401, 281));
    update_screen_draw(0);
    EXPECT_FALSE(same_colour(pixel_at(445, 300), plain)) << "the highlighted image under the pointer";
}

TEST_F(UpdateScreenTest, OkZoneEdgesAndTheEndRule) {
    struct Case { int x, y; int32_t hover; };
    const Case cases[] = {{401, 281, 1}, {439, 301, 1}, {400, 281, 0}, {440, 290, 0}, {420, 302, 0}, {420, 280, 0}};
    for (const Case& c : cases) {
        update_screen_motion(motion_event(c.x, c.y));
        EXPECT_EQ(OkHover, c.hover) << c.x << "," << c.y;
    }
    update_screen_motion(motion_event(420, 290));
    UpdateStatus.store(4);
    EXPECT_EQ(update_screen_click(), 0);
    UpdateStatus.store(10);
    EXPECT_EQ(update_screen_click(), 1);
    update_screen_motion(motion_event(500, 290));
    EXPECT_EQ(update_screen_click(), 0);
}

}  // namespace

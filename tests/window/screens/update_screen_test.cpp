// The progress screen: its text for each step, the moving indicator, the ended layout
// with its Ok button, and the rule that Ok counts only once the update has ended.
#include "core_link/update_sequence.h"
#include "core_link/update_status.h"
#include "screens/update_screen.h"
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

TEST_F(UpdateScreenTest, TextOfEveryStatusOfTheTable) {
    char buffer[300];
    const char* texts[] = {
        "Initialization of the firmware update.", "Initialization of the firmware update.",
        "Uploading the new firmware on the system.", "Installation in progress. Please wait 2 minutes.",
        "Uploading the new SD board file system.", "Installation of the SD board file system.",
        "Validation of the SD board's file system.", "The system is now rebooting.", "The firmware was updated."};
    for (int32_t status = 1; status <= 9; ++status)
        EXPECT_STREQ(update_status_text(status, buffer, sizeof buffer), texts[status - 1]) << status;
}

// Rebooting (status 8) is still busy: the indicator moves, no Ok is shown, and a click
// on Ok's place does nothing during the 30 s wait.
TEST_F(UpdateScreenTest, RebootingIsStillBusy) {
    UpdateStatus.store(8);
    update_screen_draw(0);
    EXPECT_GE(indicator_left(), 50);
    EXPECT_LT(indicator_left(), 70);
    EXPECT_TRUE(same_colour(pixel_at(402, 290), BackgroundColour)) << "no Ok button while rebooting";
    update_screen_motion(motion_event(420, 290));
    EXPECT_EQ(update_screen_click(), 0);
    UpdateStatus.store(9);
    EXPECT_EQ(update_screen_click(), 1);
}

// A reason wider than the window wraps onto lines above, inside the window and clear
// of the Ok button.
TEST_F(UpdateScreenTest, LongReasonWrapsInsideTheWindow) {
    set_update_error("Error, cannot open file : /home/technician/very/long/folder/names/for/the/firmware/"
                     "files/of/the/site/TLV-3.3.0-release-candidate.firm and a device text after it");
    UpdateStatus.store(10);
    update_screen_draw(0);
    auto ink_in = [](int x0, int x1, int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (!same_colour(pixel_at(x, y), BackgroundColour)) return true;
        return false;
    };
    EXPECT_FALSE(ink_in(792, 800, 0, 600)) << "nothing at the window's right edge";
    EXPECT_TRUE(ink_in(270, 790, 150, 230)) << "the lines above the last one";
    EXPECT_TRUE(ink_in(270, 790, 240, 260)) << "the last line at the one-line place";
    EXPECT_FALSE(ink_in(0, 270, 0, 600)) << "every line starts at x 270";
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

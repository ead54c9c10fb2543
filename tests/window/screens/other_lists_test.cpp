// The interface list with its splash, and the firmware list with its Ok button.
#include "core_link/chosen_interface.h"
#include "core_link/firmware_catalogue.h"
#include "core_link/update_status.h"
#include "screens/firmware_list.h"
#include "screens/interface_list.h"
#include "support/list_fixture.h"
#include "support/screen_fixture.h"
#include "toolkit/resource_path.h"

#include <string>

namespace {


class InterfaceListTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        SplashShown = 1;
        InterfaceList.FirstVisible = 0;
        ChosenInterface = -1;
    }
    void TearDown() override { fill_interfaces(0); }
    static int32_t click(int x, int y) { return interface_list_click(button_event(x, y)); }
};

TEST_F(InterfaceListTest, SplashOwnsEveryClickUntilItsCloseBox) {
    fill_interfaces(20);
    interface_list_draw();
    const Rgb under_splash = pixel_at(400, 300);
    EXPECT_FALSE(same_colour(under_splash, EvenRowColour)) << "the splash is drawn over the rows";

    EXPECT_EQ(click(100, 90), 1);       // a row
    EXPECT_EQ(click(400, 580), 1);      // the down button
    for (auto [x, y] : {std::pair{571, 150}, {591, 150}, {580, 145}, {580, 164}})
        EXPECT_EQ(click(x, y), 1) << x << "," << y << " is the close box's edge";
    EXPECT_EQ(ChosenInterface, -1);
    EXPECT_EQ(InterfaceList.FirstVisible, 0);
    EXPECT_EQ(interface_list_motion(motion_event(400, 580)), 0) << "buttons still highlight";

    EXPECT_EQ(click(572, 146), 0);
    EXPECT_EQ(SplashShown, 0);
    interface_list_draw();
    EXPECT_TRUE(same_colour(pixel_at(400, 300), EvenRowColour)) << "slot 6 of the list shows again";
}

TEST_F(InterfaceListTest, ClickOnARowChoosesWhatItShows) {
    fill_interfaces(20);
    click(580, 155);  // close the splash
    EXPECT_EQ(click(400, 580), 0);  // scroll by one
    EXPECT_EQ(click(300, 120), 1);
    EXPECT_EQ(ChosenInterface, 1);
}

TEST_F(InterfaceListTest, EmptyTableChoosesNothing) {
    fill_interfaces(0);
    click(580, 155);
    for (int y = 80; y < 600; y += 20) click(300, y);
    EXPECT_EQ(ChosenInterface, -1);
}

TEST_F(InterfaceListTest, RowsHaveNoHighlight) {
    fill_interfaces(3);
    click(580, 155);
    interface_list_draw();
    EXPECT_TRUE(same_colour(pixel_at(790, 75 + 20), EvenRowColour));
    EXPECT_TRUE(same_colour(pixel_at(790, 110 + 20), OddRowColour));
    EXPECT_TRUE(same_colour(pixel_at(790, 145 + 20), EvenRowColour));
}

class FirmwareListTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        FirmwareList.FirstVisible = 0;
        ApplyHover = 0;
        ChosenFirmware = -1;
    }
    void TearDown() override { fill_firmware(0); }
    static int32_t click(int x, int y) { return firmware_list_click(button_event(x, y)); }
    static int32_t move_to(int x, int y) { return firmware_list_motion(motion_event(x, y)); }
};

TEST_F(FirmwareListTest, FifteenNamesShowFourteenRowsAndTheDownButton) {
    fill_firmware(15);
    firmware_list_draw();
    EXPECT_TRUE(same_colour(pixel_at(10, 580), Rgb{255, 255, 255})) << "down button";
    EXPECT_EQ(click(400, 580), 0);
    firmware_list_draw();
    EXPECT_EQ(FirmwareList.FirstVisible, 1);
    EXPECT_TRUE(same_colour(pixel_at(10, 90), Rgb{255, 255, 255})) << "up button";
    EXPECT_TRUE(same_colour(pixel_at(790, 580), OddRowColour)) << "slot 13: name 14, no down button";
    EXPECT_EQ(click(300, 580), 0);
    EXPECT_EQ(ChosenFirmware, 14);
}

TEST_F(FirmwareListTest, ChosenRowGetsOkAndASecondClickOnItStartsTheUpdate) {
    fill_firmware(3);
    EXPECT_EQ(click(300, 130), 0);
    EXPECT_EQ(ChosenFirmware, 1);
    firmware_list_draw();
    EXPECT_TRUE(same_colour(pixel_at(300, 130), ChosenRowColour));
    EXPECT_FALSE(same_colour(pixel_at(752, 118), ChosenRowColour)) << "the Ok button";

    EXPECT_EQ(move_to(770, 130), 0);
    EXPECT_EQ(move_to(789, 130), 1);
    EXPECT_EQ(move_to(790, 130), 0);
    EXPECT_EQ(click(790, 130), 1) << "elsewhere on the chosen row";
    EXPECT_EQ(move_to(751, 130), 0);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(click(751, 130), 2);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              std::string("Upload firmware : ") + ResourceDir + "/firmware/fw1.firm to system :  \n");
    EXPECT_EQ(UpdateStatus.load(), 1);

    EXPECT_EQ(click(300, 95), 0) << "another row moves the choice";
    EXPECT_EQ(ChosenFirmware, 0);
}

TEST_F(FirmwareListTest, OkCannotBeReachedWhileTheChosenRowIsOffScreen) {
    fill_firmware(20);
    click(300, 95);
    ASSERT_EQ(ChosenFirmware, 0);
    click(400, 580);
    EXPECT_EQ(move_to(770, 95), 0) << "the up arrow highlights, the Ok button does not";
    EXPECT_EQ(ApplyHover, 0);
}

TEST_F(FirmwareListTest, EmptyCatalogueOffersNothing) {
    fill_firmware(0);
    for (int y = 80; y < 600; y += 20) EXPECT_EQ(click(300, y), 1);
    EXPECT_EQ(ChosenFirmware, -1);
}

}  // namespace

// The address change screen: the opening split, editing, validation and the command.
#include "core_link/interface_catalogue.h"
#include "core_link/system_table.h"
#include "screens/ip_dialog.h"
#include "support/list_fixture.h"
#include "support/screen_fixture.h"

#include <string>

namespace {

class IpDialogTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        InterfaceCount = 0;  // nothing to send on: the command stays on this machine
        fill_systems(2);
        SelectedSystem = 1;
        ip_dialog_open();
    }
    void TearDown() override { fill_systems(0); }

    static std::string fields() {
        return std::string(OctetFields[0]) + "|" + OctetFields[1] + "|" + OctetFields[2] + "|" + OctetFields[3];
    }
    static void type(const char* digits) {
        for (const char* d = digits; *d; ++d) ip_dialog_digit(*d - '0');
    }
};

TEST_F(IpDialogTest, OpeningSplitsTheOldAddress) {
    struct Case { const char* text; const char* fields; };
    const Case cases[] = {
        {"192.168.1.10", "192|168|1|10"},
        {"198.51.100.2", "198|51|100|2"},
        {"1.2.3", "1|2|0|0"},
        {"1..3.4", "1|0|0|0"},
        {"1234.5.6.7", "0|0|0|0"},
        {"1.2.3.4567", "1|2|3|0"},
        {"", "0|0|0|0"},
    };
    for (const Case& c : cases) {
        split_address(c.text);
        EXPECT_EQ(fields(), c.fields) << c.text;
    }
}

TEST_F(IpDialogTest, ReopeningForgetsEarlierEdits) {
    EXPECT_EQ(fields(), "198|51|100|2");
    ip_dialog_next_field();
    ip_dialog_backspace();
    ip_dialog_backspace();
    type("7");
    ip_dialog_next_field();
    type("9");
    EXPECT_NE(fields(), "198|51|100|2");
    ip_dialog_open();
    EXPECT_EQ(fields(), "198|51|100|2");
    EXPECT_EQ(OctetFocus, -1);
}

TEST_F(IpDialogTest, EditingLimits) {
    EXPECT_EQ(ip_dialog_digit(1), 0) << "no field focused";
    EXPECT_EQ(ip_dialog_backspace(), 0);
    ip_dialog_next_field();
    EXPECT_EQ(OctetFocus, 0);
    EXPECT_EQ(ip_dialog_digit(4), 0) << "198 is full";
    EXPECT_EQ(ip_dialog_backspace(), 1);
    EXPECT_EQ(ip_dialog_backspace(), 1);
    EXPECT_EQ(ip_dialog_backspace(), 1);
    EXPECT_EQ(ip_dialog_backspace(), 0) << "empty";
    EXPECT_EQ(ip_dialog_digit(0), 1);
    EXPECT_EQ(ip_dialog_digit(1), 1);
    EXPECT_EQ(ip_dialog_digit(0), 1);
    EXPECT_EQ(ip_dialog_digit(9), 0);
    EXPECT_STREQ(OctetFields[0], "010");
}

TEST_F(IpDialogTest, TabCyclesThroughTheFields) {
    const int32_t expected[] = {0, 1, 2, 3, 0};
    for (int32_t focus : expected) {
        ip_dialog_next_field();
        EXPECT_EQ(OctetFocus, focus);
    }
    EXPECT_EQ(ip_dialog_click(120, 160), 0);
    EXPECT_EQ(OctetFocus, 0);
    EXPECT_EQ(ip_dialog_click(300, 300), 0) << "a click elsewhere clears the focus";
    EXPECT_EQ(OctetFocus, -1);
    EXPECT_EQ(ip_dialog_click(140, 160), 0) << "the box's edge";
    EXPECT_EQ(OctetFocus, -1);
    EXPECT_EQ(ip_dialog_click(281, 169), 0);
    EXPECT_EQ(OctetFocus, 3);
}

TEST_F(IpDialogTest, InvalidFieldsDisableTheButton) {
    ip_dialog_draw();
    const Rgb enabled = pixel_at(440, 170);
    ip_dialog_next_field();
    ip_dialog_backspace();
    ip_dialog_backspace();
    ip_dialog_backspace();
    EXPECT_EQ(ip_dialog_validate(), -1) << "an empty field";
    ip_dialog_draw();
    EXPECT_FALSE(same_colour(pixel_at(440, 170), enabled)) << "the disabled image";
    EXPECT_EQ(ip_dialog_click(420, 160), 0) << "nothing is sent";
    EXPECT_EQ(OctetFocus, -1);
    ip_dialog_next_field();
    type("256");
    EXPECT_EQ(ip_dialog_validate(), -1);
    ip_dialog_backspace();
    ip_dialog_backspace();
    type("23");
    EXPECT_EQ(ip_dialog_validate(), 0) << "223.51.100.2";
}

// A system sent to such an address could not be reached again: the button stays
// disabled and a click sends nothing, as for an octet over 255.
TEST_F(IpDialogTest, AddressesNoSystemCanTakeDisableTheButton) {
    struct Case { const char* first; const char* last; int valid; };
    const Case cases[] = {{"0", "2", -1},   {"127", "2", -1}, {"224", "2", -1}, {"239", "2", -1},
                          {"240", "2", -1}, {"255", "255", -1}, {"000", "2", -1}, {"1", "2", 0},
                          {"126", "2", 0},  {"128", "2", 0},  {"223", "255", 0}};
    for (const Case& c : cases) {
        ip_dialog_open();
        OctetFocus = 0;
        while (ip_dialog_backspace() == 1) {}
        type(c.first);
        OctetFocus = 3;
        while (ip_dialog_backspace() == 1) {}
        type(c.last);
        EXPECT_EQ(ip_dialog_validate(), c.valid) << c.first << ".x.x." << c.last;
        if (c.valid != 0) {
            EXPECT_EQ(ip_dialog_click(420, 160), 0) << "nothing is sent to " << c.first;
        }
    }
}

TEST_F(IpDialogTest, ApplyZoneAndBackButton) {
    EXPECT_EQ(ip_dialog_click(400, 160), 0);
    EXPECT_EQ(ip_dialog_click(450, 160), 0);
    EXPECT_EQ(ip_dialog_click(420, 175), 0);
    EXPECT_EQ(ip_dialog_click(401, 151), 2);
    EXPECT_EQ(ip_dialog_click(6, 3), 1);
    EXPECT_EQ(ip_dialog_click(45, 20), 0);
    EXPECT_EQ(ip_dialog_hover(420, 160), 0);
    EXPECT_EQ(ip_dialog_hover(421, 161), 1);
    EXPECT_EQ(ip_dialog_hover(20, 20), 0);
    EXPECT_EQ(BackHover, 1);
    EXPECT_EQ(ApplyButtonHover, 0);
}

// "010" read as C's inet_aton reads it is 8: the command carries the number probed.
TEST_F(IpDialogTest, CommandCarriesTheFieldsWithoutLeadingZeros) {
    ip_dialog_next_field();
    ip_dialog_backspace();
    ip_dialog_backspace();
    ip_dialog_backspace();
    type("010");
    char command[256];
    format_ipaddr_command(command, sizeof command);
    EXPECT_STREQ(command, "@%_*_@TLDP IPADDR 10.51.100.2");
}

}  // namespace

// The sender's refusals on the chosen interface.
#include "core_link/chosen_interface.h"
#include "core_link/interface_catalogue.h"
#include "core_link/send_udp_frame.h"
#include "support/frame_bytes.h"
#include "wire/discovery_protocol.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// This binary has no catalogue of its own: each case writes the entries it needs.
class SendRefusal : public ::testing::Test {
protected:
    static int32_t send_ident() {
        return send_udp_frame(IdentRequest, IdentSourceMac, BroadcastMac, IdentSourceIpv4, BroadcastIpv4);
    }
};

// None of these reaches a real interface: the refusals come before any device is opened.
TEST_F(SendRefusal, RefusesWithoutAValidChoice) {
    InterfaceCount = 0;
    ChosenInterface = 0;
    EXPECT_EQ(send_ident(), -1) << "empty catalogue";
    InterfaceCount = 1;
    std::memset(&InterfaceTable[0], 0, sizeof(InterfaceRecord));
    EXPECT_EQ(send_ident(), -1) << "entry without a device name";
    std::strcpy(InterfaceTable[0].device_name, "nosuchdev0");
    ChosenInterface = -1;
    EXPECT_EQ(send_ident(), -1) << "no choice";
    ChosenInterface = 1;
    EXPECT_EQ(send_ident(), -1) << "index past the filled entries";
}

TEST_F(SendRefusal, RefusesADeviceThatCannotBeOpenedAndALongPayload) {
    InterfaceCount = 1;
    ChosenInterface = 0;
    std::memset(&InterfaceTable[0], 0, sizeof(InterfaceRecord));
    std::strcpy(InterfaceTable[0].device_name, "nosuchdev0");
    EXPECT_EQ(send_ident(), -1);
    const std::string too_long(59, 'x');
    EXPECT_EQ(send_udp_frame(too_long.c_str(), IdentSourceMac, BroadcastMac, IdentSourceIpv4, BroadcastIpv4), -1);
}

}  // namespace

// The decision before an address change, on a segment described by hand: which
// answers and which addresses keep a technician from taking a working device offline.
#include "discovery/address_check.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const MacAddress Moved = {0x02, 0x7a, 0x10, 0x0b, 0x00, 0x01};
const MacAddress Other = {0x02, 0x7a, 0x10, 0x0b, 0x00, 0x02};
const MacAddress Plc = {0x02, 0x7a, 0x10, 0x0e, 0x00, 0x01};

InterfaceRecord pc() {
    InterfaceRecord nic{};
    std::strcpy(nic.device_name, "talvo0");
    std::strcpy(nic.ip_text, "198.51.100.1");
    std::strcpy(nic.netmask_text, "255.255.255.0");
    const uint8_t own[4] = {198, 51, 100, 1};
    std::memcpy(nic.ipv4, own, 4);
    return nic;
}

TEST(AddressCheck, OnlyAnAddressNobodyElseHoldsMayBeGiven) {
    const InterfaceRecord nic = pc();
    SystemRecord other{};
    std::memcpy(other.reply_headers + 6, Other.data(), 6);
    const uint8_t other_at[4] = {198, 51, 100, 12};
    std::memcpy(other.ipv4, other_at, 4);
    struct Case {
        Ipv4Address address;
        std::vector<MacAddress> holders;
        ProbeOutcome outcome;
        const char* refusal;  // "" when the change may go ahead
    };
    const Case cases[] = {
        {{198, 51, 100, 40}, {}, ProbeOutcome::Checked, ""},
        {{198, 51, 100, 40}, {Moved}, ProbeOutcome::Checked, ""},  // the system itself
        {{198, 51, 100, 40}, {Moved, Plc}, ProbeOutcome::Checked, "198.51.100.40 is held by 02:7a:10:0e:00:01"},
        {{198, 51, 100, 12}, {}, ProbeOutcome::Checked, "taken by the system 02:7a:10:0b:00:02"},
        {{198, 51, 100, 40}, {}, ProbeOutcome::OpenFailed, "could not be checked"},
        {{198, 51, 100, 40}, {Plc}, ProbeOutcome::CaptureError, "is held by 02:7a:10:0e:00:01"},
    };
    for (const Case& c : cases) {
        ProbeReport probe{c.outcome, {{c.address, c.holders}}};
        const AddressSurroundings around{&nic, &other, 1, &probe};
        const std::string refusal = address_refusal(c.address, Moved.data(), around);
        if (c.refusal[0] == '\0') EXPECT_EQ(refusal, "") << address_text(c.address);
        else EXPECT_NE(refusal.find(c.refusal), std::string::npos) << refusal;
    }
}

TEST(AddressCheck, AnAddressOffThePcsNetworkSaysWhatThePcNeeds) {
    EXPECT_EQ(leaving_network_note(pc(), {198, 51, 100, 77}), "");
    EXPECT_NE(leaving_network_note(pc(), {203, 0, 113, 20}).find("give the PC an address on the new network"),
              std::string::npos);
}

}  // namespace

// The decision before an address change, on a segment described by hand: which
// answers and which addresses keep a technician from taking a working device offline.
#include "discovery/address_check.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const MacAddress Moved = {0x02, 0x7a, 0x10, 0x0b, 0x00, 0x01};
const MacAddress Other = {0x02, 0x7a, 0x10, 0x0b, 0x00, 0x02};
const MacAddress Plc = {0x02, 0x7a, 0x10, 0x0e, 0x00, 0x01};

const MacAddress PcMac = {0x02, 0x7a, 0x10, 0x0f, 0x00, 0x01};

// talvo0 at 198.51.100.1/24 with a second address, .77, as an alias adds it.
InterfaceRecord pc() {
    InterfaceRecord nic{};
    std::strcpy(nic.device_name, "talvo0");
    std::strcpy(nic.ip_text, "198.51.100.77");
    std::strcpy(nic.netmask_text, "255.255.255.0");
    const uint8_t first[4] = {198, 51, 100, 1}, second[4] = {198, 51, 100, 77}, mask[4] = {255, 255, 255, 0};
    std::memcpy(nic.ipv4, second, 4);
    std::memcpy(nic.mac, PcMac.data(), 6);
    nic.address_count = 2;
    std::memcpy(nic.addresses[0].ipv4, first, 4);
    std::memcpy(nic.addresses[1].ipv4, second, 4);
    std::memcpy(nic.addresses[0].netmask, mask, 4);
    std::memcpy(nic.addresses[1].netmask, mask, 4);
    return nic;
}

TEST(AddressCheck, OnlyAnAddressNobodyElseHoldsMayBeGiven) {
    const InterfaceRecord nic = pc();
    SystemRecord other{};
    std::memcpy(other.reply_headers + 6, Other.data(), 6);
    const uint8_t other_at[4] = {198, 51, 100, 12};
    std::memcpy(other.ipv4, other_at, 4);
    // The PC's addresses on every interface, as the device list gives them.
    const std::vector<PcAddress> own = {{{198, 51, 100, 1}, "talvo0"}, {{198, 51, 100, 77}, "talvo0"},
                                        {{203, 0, 113, 5}, "wlan0"}};
    struct Case {
        Ipv4Address address;
        std::vector<MacAddress> holders;
        ProbeOutcome outcome;
        const char* refusal;  // "" when the change may go ahead
    };
    const Case cases[] = {
        {{198, 51, 100, 40}, {}, ProbeOutcome::Checked, ""},
        {{198, 51, 100, 40}, {Moved}, ProbeOutcome::Checked, ""},  // the system itself
        {{198, 51, 100, 40}, {Moved, Plc}, ProbeOutcome::Checked,
         "198.51.100.40 is held by 02:7a:10:0e:00:01: choose a free address"},
        {{198, 51, 100, 40}, {PcMac}, ProbeOutcome::Checked,
         "198.51.100.40 is held by 02:7a:10:0f:00:01: choose a free address"},  // the PC's kernel answered
        {{198, 51, 100, 12}, {}, ProbeOutcome::Checked,
         "198.51.100.12 is taken by the system 02:7a:10:0b:00:02: choose a free address"},
        {{198, 51, 100, 40}, {}, ProbeOutcome::OpenFailed,
         "whether anyone holds 198.51.100.40 could not be checked (the interface could not be opened)"},
        {{198, 51, 100, 40}, {}, ProbeOutcome::SendFailed,
         "whether anyone holds 198.51.100.40 could not be checked (a probe could not be sent)"},
        {{198, 51, 100, 40}, {Plc}, ProbeOutcome::CaptureError, "198.51.100.40 is held by 02:7a:10:0e:00:01"},
        {{198, 51, 100, 1}, {}, ProbeOutcome::Checked,
         "198.51.100.1 is this PC's own address on talvo0: choose a free address"},
        {{198, 51, 100, 77}, {}, ProbeOutcome::Checked, "198.51.100.77 is this PC's own address on talvo0"},
        {{203, 0, 113, 5}, {}, ProbeOutcome::Checked, "203.0.113.5 is this PC's own address on wlan0"},
        {{198, 51, 100, 0}, {}, ProbeOutcome::Checked,
         "198.51.100.0 is the network address of 198.51.100.0/24 on talvo0, which no host can take: choose "
         "another address"},
        {{198, 51, 100, 255}, {}, ProbeOutcome::Checked, "198.51.100.255 is the broadcast address of 198.51.100.0/24"},
        {{203, 0, 113, 255}, {}, ProbeOutcome::Checked, ""},  // off the PC's networks: its mask is unknown
        {{198, 51, 100, 254}, {}, ProbeOutcome::Checked, ""},
    };
    for (const Case& c : cases) {
        ProbeReport probe{c.outcome, {{c.address, c.holders}}};
        const AddressSurroundings around{&nic, &other, 1, &probe, &own};
        const std::string refusal = address_refusal(c.address, Moved.data(), around);
        if (c.refusal[0] == '\0') EXPECT_EQ(refusal, "") << address_text(c.address);
        else EXPECT_EQ(refusal.rfind(c.refusal, 0), 0u) << refusal;
    }
    // Without the PC's list (it could not be read), the interface's own addresses still count.
    for (const Ipv4Address address : {Ipv4Address{198, 51, 100, 1}, Ipv4Address{198, 51, 100, 77}}) {
        ProbeReport probe{ProbeOutcome::Checked, {{address, {}}}};
        const AddressSurroundings around{&nic, &other, 1, &probe, nullptr};
        EXPECT_EQ(address_refusal(address, Moved.data(), around),
                  address_text(address) + " is this PC's own address on talvo0: choose a free address");
    }
}

TEST(AddressCheck, AnAddressOffThePcsNetworkSaysWhatThePcNeeds) {
    EXPECT_EQ(leaving_network_note(pc(), {198, 51, 100, 77}), "");
    EXPECT_EQ(leaving_network_note(pc(), {203, 0, 113, 20}),
              "203.0.113.20 is outside this PC's networks on talvo0 (198.51.100.1/24, 198.51.100.77/24): give the PC "
              "an address on the new network before updating the system");
}

}  // namespace

// The whole address change on a virtual segment (root, namespaces): through the
// screen's real loop, the IPADDR frame as it leaves the PC, then the next scan.
#include "app/state_machine.h"
#include "core_link/chosen_interface.h"
#include "core_link/interface_catalogue.h"
#include "core_link/system_table.h"
#include "screens/ip_dialog.h"
#include "support/screen_fixture.h"
#include "support/segment_harness.h"
#include "wire/pcap_session.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The frame as the wire carries it, written out field by field.
std::vector<uint8_t> expected_ipaddr_frame(const uint8_t pc_mac[6], const uint8_t system_mac[6]) {
    // Typed as 077: sent as the number, so no system reads it as octal 63.
    const std::string payload = "@%_*_@TLDP IPADDR 198.51.100.77";  // 31 characters
    std::vector<uint8_t> f;
    f.insert(f.end(), system_mac, system_mac + 6);
    f.insert(f.end(), pc_mac, pc_mac + 6);
    const uint8_t headers[] = {
        0x08, 0x00,                          // IPv4
        0x45, 0x00, 0x00, 0x3B,              // version 4, 20 bytes; total length 59
        0x00, 0x01, 0x00, 0x00,              // identification 1, may fragment
        0x80, 0x11, 0x00, 0x00,              // TTL 128, UDP, checksum below
        0xC6, 0x33, 0x64, 0x01,              // from 198.51.100.1 (the PC)
        0xC6, 0x33, 0x64, 0x0C,              // to 198.51.100.12 (the system's address now)
        0x15, 0xB3, 0x23, 0x1D,              // ports 5555 to 8989
        0x00, 0x27, 0x00, 0x00,              // UDP length 39, no checksum
    };
    f.insert(f.end(), headers, headers + sizeof headers);
    // The header checksum: one's complement of the one's-complement sum of its words.
    uint32_t sum = 0;
    for (int i = 14; i < 34; i += 2) sum += (f[i] << 8) | f[i + 1];
    while (sum > 0xFFFF) sum = (sum & 0xFFFF) + (sum >> 16);
    f[24] = static_cast<uint8_t>(~sum >> 8);
    f[25] = static_cast<uint8_t>(~sum);
    f.insert(f.end(), payload.begin(), payload.end());
    return f;
}

class IpChangeOnSegment : public ScreenTest {};

// Every address change that leaves talvo0, read without waiting.
PcapHandle watch_address_changes() {
    char errbuf[PCAP_ERRBUF_SIZE];
    DeviceOptions options;
    options.immediate = true;
    PcapHandle watch = open_device("talvo0", options, errbuf);
    CompiledFilter filter;
    if (!watch || filter.compile(watch.get(), "udp dst port 8989 and not ether broadcast", 0) != 0 ||
        pcap_setfilter(watch.get(), filter.program()) != 0 || pcap_setnonblock(watch.get(), 1, errbuf) != 0)
        return PcapHandle{};
    return watch;
}

// In the open dialog: the last field's text replaced by digits.
void type_last_field(const char* digits) {
    for (int i = 0; i < 4; ++i) push_key(SDLK_TAB);
    push_key(SDLK_BACKSPACE);
    push_key(SDLK_BACKSPACE);
    for (const char* d = digits; *d; ++d) push_key(static_cast<SDLKey>(SDLK_0 + (*d - '0')));
}

TEST_F(IpChangeOnSegment, NewAddressReachesTheSystemAndTheNextScanShowsIt) {
    PERABO_INSIDE_SEGMENT(2);
    ASSERT_EQ(build_interface_catalogue(), 0);
    ASSERT_EQ(InterfaceCount, 1);
    ChosenInterface = 0;
    ASSERT_STREQ(InterfaceTable[0].device_name, "talvo0");

    AppState = StateScan;
    run_state_once();
    ASSERT_EQ(AppState, StateSystemList);
    ASSERT_EQ(SystemCount, 2);
    SelectedSystem = std::strcmp(SystemTable[0].ip_text, "198.51.100.12") == 0 ? 0 : 1;
    ASSERT_STREQ(SystemTable[SelectedSystem].ip_text, "198.51.100.12");
    uint8_t system_mac[6];
    std::memcpy(system_mac, SystemTable[SelectedSystem].reply_headers + 6, 6);

    PcapHandle watch = watch_address_changes();
    ASSERT_TRUE(watch);

    AppState = StateChangeIp;
    type_last_field("077");
    push_motion(420, 160);
    push_button_up(420, 160);
    run_state_once();
    ASSERT_EQ(AppState, StateScan);

    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    ASSERT_EQ(pcap_next_ex(watch.get(), &header, &data), 1) << "the IPADDR frame left the PC";
    const std::vector<uint8_t> sent(data, data + header->caplen);
    EXPECT_EQ(sent, expected_ipaddr_frame(InterfaceTable[0].mac, system_mac));
    EXPECT_NE(pcap_next_ex(watch.get(), &header, &data), 1) << "exactly one frame";

    run_state_once();
    ASSERT_EQ(AppState, StateSystemList);
    ASSERT_EQ(SystemCount, 2);
    bool moved = false;
    for (int i = 0; i < SystemCount; ++i)
        if (std::memcmp(SystemTable[i].reply_headers + 6, system_mac, 6) == 0)
            moved = std::strcmp(SystemTable[i].ip_text, "198.51.100.77") == 0;
    EXPECT_TRUE(moved) << "the system answers from its new address";
}

// A PC on the segment holds .40: the dialog stays open naming it, and no IPADDR leaves.
TEST_F(IpChangeOnSegment, AnAddressAnotherHostHoldsKeepsTheDialogOpen) {
    PERABO_INSIDE_SEGMENT(SegmentLayout(1).with_hosts({"198.51.100.40"}));
    ASSERT_EQ(build_interface_catalogue(), 0);
    ChosenInterface = 0;
    AppState = StateScan;
    run_state_once();
    ASSERT_EQ(SystemCount, 1);
    SelectedSystem = 0;
    PcapHandle watch = watch_address_changes();
    ASSERT_TRUE(watch);

    AppState = StateChangeIp;
    type_last_field("40");
    push_button_up(420, 160);
    push_quit();  // ends the wait once the click was handled
    run_state_once();
    EXPECT_EQ(AppState, StateChangeIp) << "the dialog stays open";
    const std::vector<SegmentHost> hosts = segment_hosts();
    ASSERT_EQ(hosts.size(), 1u);
    const uint8_t* host = hosts[0].mac;
    char expected[80];
    std::snprintf(expected, sizeof expected, "198.51.100.40 is held by %02x:%02x:%02x:%02x:%02x:%02x", host[0],
                  host[1], host[2], host[3], host[4], host[5]);
    EXPECT_NE(std::string(ip_dialog_message()).find(expected), std::string::npos) << ip_dialog_message();
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    EXPECT_NE(pcap_next_ex(watch.get(), &header, &data), 1) << "an IPADDR frame left the PC";
}

}  // namespace

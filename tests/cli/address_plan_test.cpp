// What set-ip reads before anything is sent: new addresses, plan lines, ranges, and the
// plan's repeats. A line a case; a wrong answer here moves a system to an address
// nobody checked, or onto another host's.
#include "cli/address_plan.h"
#include "discovery/address_change.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string dotted(const Ipv4Address& a) {
    return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." + std::to_string(a[3]);
}

// Four decimal octets 0 to 255, written back without leading zeros: "010" is ten, as
// it was probed, whichever way the system reads numbers.
TEST(NewAddress, IsReadStrictlyAndWrittenWithoutLeadingZeros) {
    struct Case { const char* text; const char* read; };  // read "": refused
    const Case cases[] = {
        {"198.51.100.50", "198.51.100.50"},
        {"198.51.100.050", "198.51.100.50"},
        {"203.0.113.010", "203.0.113.10"},
        {"010.051.100.000", "10.51.100.0"},
        {"1.0.0.0", "1.0.0.0"},
        {"223.255.255.255", "223.255.255.255"},
        {"198.51.100", ""}, {"198.51.100.1.2", ""}, {"198.51.100.256", ""}, {"198.51..1", ""},
        {"198.51.100.1 ", ""}, {" 198.51.100.1", ""}, {"1234.1.1.1", ""}, {"0198.51.100.1", ""},
        {"a.b.c.d", ""}, {"", ""}, {"198.51.100.-1", ""}, {"198.51.100.+1", ""}, {"0x7f.0.0.1", ""},
        {"0.1.2.3", ""}, {"127.0.0.1", ""}, {"224.0.0.1", ""}, {"255.255.255.255", ""},
    };
    for (const Case& c : cases) {
        char octets[4][4] = {};
        std::string why;
        const bool read = parse_new_address(c.text, octets, &why);
        EXPECT_EQ(read, c.read[0] != '\0') << "'" << c.text << "': " << why;
        if (read)
            EXPECT_EQ(std::string(octets[0]) + "." + octets[1] + "." + octets[2] + "." + octets[3], c.read) << c.text;
        else
            EXPECT_FALSE(why.empty()) << c.text;
    }
}

// A plan as a spreadsheet or an editor writes it: Windows line ends, comments, blanks.
TEST(AddressPlan, ReadsOneTargetAndAddressALine) {
    struct Case { const char* text; std::vector<std::string> read; const char* refusal; };
    const Case cases[] = {
        {"K-R 1,198.51.100.20\n", {"K-R 1|198.51.100.20|1"}, ""},
        {"K-R 1,198.51.100.20\r\nK-R 2,198.51.100.21\r\n", {"K-R 1|198.51.100.20|1", "K-R 2|198.51.100.21|2"}, ""},
        {"K-R 1,198.51.100.20", {"K-R 1|198.51.100.20|1"}, ""},  // no line end at the end
        {"# commissioning\n\n  \t\r\n 02:7a:10:0b:00:05 ,\t198.51.100.20 \n", {"02:7a:10:0b:00:05|198.51.100.20|4"}, ""},
        {"", {}, ""},
        {"K-R 1\n", {}, "line 1 of the plan is not TARGET,NEW_IP: K-R 1"},
        {"K-R 1,\n", {}, "line 1 of the plan is not TARGET,NEW_IP: K-R 1,"},
        {",198.51.100.20\n", {}, "line 1 of the plan is not TARGET,NEW_IP"},
        {"ok,198.51.100.20\nK-R 1,198.51.100.20,x\n", {}, "line 2 of the plan is not TARGET,NEW_IP"},
    };
    for (const Case& c : cases) {
        std::vector<PlannedChange> plan;
        std::string why;
        const bool read = read_plan_text(c.text, &plan, &why);
        EXPECT_EQ(read, c.refusal[0] == '\0') << c.text << ": " << why;
        if (!read) {
            EXPECT_EQ(why.rfind(c.refusal, 0), 0u) << why;
            continue;
        }
        std::vector<std::string> lines;
        for (const PlannedChange& p : plan) lines.push_back(p.target + "|" + p.new_address + "|" + std::to_string(p.line));
        EXPECT_EQ(lines, c.read) << c.text;
    }
}

TEST(AddressRange, RunsForwardsBetweenAddressesASystemCanTake) {
    struct Case { const char* text; size_t count; const char* first; const char* last; };  // count 0: refused
    const Case cases[] = {
        {"198.51.100.20-198.51.100.29", 10, "198.51.100.20", "198.51.100.29"},
        {"198.51.100.20-198.51.100.20", 1, "198.51.100.20", "198.51.100.20"},
        {"198.51.100.250-198.51.101.5", 12, "198.51.100.250", "198.51.101.5"},  // .255 and .0 kept: the mask decides
        {"198.51.100.0-198.51.100.255", 256, "198.51.100.0", "198.51.100.255"},
        {"223.255.255.250-223.255.255.255", 6, "223.255.255.250", "223.255.255.255"},
        {"223.255.255.254-224.0.0.1", 0, "", ""},  // an end no system can take
        {"0.0.0.1-1.0.0.1", 0, "", ""},
        {"198.51.0.0-198.51.15.255", 4096, "198.51.0.0", "198.51.15.255"},
        {"198.51.0.0-198.51.16.0", 0, "", ""},  // 4097 addresses
        {"198.51.100.29-198.51.100.20", 0, "", ""},
        {"198.51.100.20", 0, "", ""},
        {"198.51.100.20-", 0, "", ""},
        {"198.51.100.20-198.51.100.300", 0, "", ""},
    };
    for (const Case& c : cases) {
        std::vector<Ipv4Address> range;
        std::string why;
        const bool read = read_range(c.text, &range, &why);
        EXPECT_EQ(read, c.count > 0) << c.text << ": " << why;
        if (!read) {
            EXPECT_FALSE(why.empty());
            continue;
        }
        ASSERT_EQ(range.size(), c.count) << c.text;
        EXPECT_EQ(dotted(range.front()), c.first);
        EXPECT_EQ(dotted(range.back()), c.last);
    }
}

InterfaceNetwork on(std::vector<std::pair<Ipv4Address, int>> networks) {
    InterfaceNetwork n;
    n.name = "tp0";
    for (const auto& [address, prefix] : networks) {
        Ipv4Network network;
        std::memcpy(network.address, address.data(), 4);
        network.prefix = prefix;
        n.networks.push_back(network);
    }
    return n;
}

// A range hands out no network or broadcast address, by the mask of the network the
// address lies in; off the PC's networks the usual /24's ends are left out.
TEST(AddressRange, SkipsTheEdgesOfTheNetworkByItsMask) {
    const InterfaceNetwork slash24 = on({{{203, 0, 113, 1}, 24}});
    const InterfaceNetwork halves = on({{{203, 0, 113, 1}, 25}, {{203, 0, 113, 129}, 25}});
    const InterfaceNetwork slash16 = on({{{10, 20, 0, 1}, 16}});
    struct Case { const InterfaceNetwork* networks; Ipv4Address address; bool skipped; };
    const Case cases[] = {
        {&slash24, {203, 0, 113, 0}, true},      {&slash24, {203, 0, 113, 255}, true},
        {&slash24, {203, 0, 113, 127}, false},   {&slash24, {203, 0, 113, 128}, false},
        {&halves, {203, 0, 113, 127}, true},     {&halves, {203, 0, 113, 128}, true},
        {&halves, {203, 0, 113, 126}, false},    {&halves, {203, 0, 113, 129}, false},
        {&slash16, {10, 20, 3, 0}, false},       {&slash16, {10, 20, 3, 255}, false},
        {&slash16, {10, 20, 255, 255}, true},    {&slash16, {10, 20, 0, 0}, true},
        {&slash24, {198, 51, 100, 0}, true},     {&slash24, {198, 51, 100, 255}, true},  // off the networks
        {&slash24, {198, 51, 100, 128}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(range_skips(c.address, *c.networks), c.skipped) << dotted(c.address) << " on " << networks_text(*c.networks);
}

TEST(AddressPlan, NamesTheFirstSystemOrAddressGivenTwice) {
    const MacAddress a = {2, 0, 0, 0, 0, 1}, b = {2, 0, 0, 0, 0, 2}, c = {2, 0, 0, 0, 0, 3};
    struct Case { std::vector<PlannedMove> moves; const char* refusal; };
    const Case cases[] = {
        {{{a, "A", {198, 51, 100, 20}}, {b, "B", {198, 51, 100, 21}}}, ""},
        {{{a, "A", {198, 51, 100, 20}}, {b, "B", {198, 51, 100, 20}}}, "198.51.100.20 is given twice; nothing was sent"},
        {{{a, "A", {198, 51, 100, 20}}, {a, "A", {198, 51, 100, 21}}}, "A is named twice; nothing was sent"},
        {{{a, "A", {198, 51, 100, 20}}, {b, "B", {198, 51, 100, 21}}, {c, "C", {198, 51, 100, 21}}},
         "198.51.100.21 is given twice"},
        {{}, ""},
    };
    for (const Case& k : cases) {
        const std::string why = plan_repeats(k.moves);
        if (k.refusal[0] == '\0') EXPECT_EQ(why, "");
        else EXPECT_EQ(why.rfind(k.refusal, 0), 0u) << why;
    }
}

}  // namespace

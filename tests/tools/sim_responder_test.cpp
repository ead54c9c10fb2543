// The simulated system's side of the Discovery Protocol, frame in, frame out.
#include "discovery/discovery_frame.h"
#include "discovery_responder.h"
#include "sim_options.h"
#include "support/frame_bytes.h"
#include "wire/discovery_protocol.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

const uint8_t SimMac[6] = {0x02, 0x7a, 0x10, 0x0b, 0x01, 0x2c};

SimSystem make_system() {
    return SimSystem(SimIdentity{{0x02, 0x7a, 0x10, 0x0b, 0x01, 0x2c}, {198, 51, 100, 11}, "TLV-220S", "3.2.7"});
}

std::vector<uint8_t> ident_frame() { return std::vector<uint8_t>(IdentFrameBytes, IdentFrameBytes + 58); }

// An IPADDR frame written out by hand (the checksum is not looked at by the receiver).
std::vector<uint8_t> ipaddr_frame(const std::string& fields, const uint8_t* dst_mac, const uint8_t dst_ip[4]) {
    const std::string payload = "@%_*_@TLDP IPADDR " + fields;
    std::vector<uint8_t> f(dst_mac, dst_mac + 6);
    f.insert(f.end(), IdentSourceMac, IdentSourceMac + 6);
    const uint8_t ip[20] = {0x45, 0, 0, static_cast<uint8_t>(28 + payload.size()), 0, 1, 0, 0, 128, 17, 0, 0,
                            198, 51, 100, 1, dst_ip[0], dst_ip[1], dst_ip[2], dst_ip[3]};
    const uint8_t udp[8] = {0x15, 0xb3, 0x23, 0x1d, 0, static_cast<uint8_t>(8 + payload.size()), 0, 0};
    f.push_back(0x08);
    f.push_back(0x00);
    f.insert(f.end(), ip, ip + 20);
    f.insert(f.end(), udp, udp + 8);
    f.insert(f.end(), payload.begin(), payload.end());
    return f;
}

DiscoveryAction respond(const std::vector<uint8_t>& frame, SimSystem& system, std::vector<uint8_t>* reply = nullptr) {
    uint8_t out[ReplyBufferSize];
    int32_t length = 0;
    const DiscoveryAction action = respond_to_frame(frame.data(), frame.size(), system, out, &length);
    if (reply) reply->assign(out, out + (action == DiscoveryAction::Reply ? length : 0));
    return action;
}

TEST(SimResponder, AnswersIdentToTheRequester) {
    SimSystem system = make_system();
    std::vector<uint8_t> reply;
    ASSERT_EQ(respond(ident_frame(), system, &reply), DiscoveryAction::Reply);
    const std::string payload = "@%_*_@TLDP IDENTREPLY <TLV-220S 3.2.7 ";
    ASSERT_EQ(reply.size(), 42 + payload.size());
    EXPECT_EQ(0, std::memcmp(reply.data(), IdentSourceMac, 6)) << "to the requester's MAC";
    EXPECT_EQ(0, std::memcmp(reply.data() + 6, SimMac, 6));
    const uint8_t own_ip[4] = {198, 51, 100, 11};
    EXPECT_EQ(0, std::memcmp(reply.data() + 26, own_ip, 4));
    EXPECT_EQ(0, std::memcmp(reply.data() + 30, IdentSourceIpv4, 4)) << "to the requester's address";
    EXPECT_EQ(std::string(reply.begin() + 42, reply.end()), payload);

    // The tool reads it back as the system it is.
    SystemRecord record;
    ASSERT_EQ(read_answer_frame(reply.data(), reply.size(), nullptr, &record), FrameKind::Answer);
    EXPECT_STREQ(record.type_text, "TLV-220S");
    EXPECT_STREQ(record.firmware_text, "3.2.7");
    EXPECT_STREQ(record.serial_text, "K-R 721196");  // 11 * 65536 + 1 * 256 + 44
    EXPECT_STREQ(record.ip_text, "198.51.100.11");
}

TEST(SimResponder, AnswersAnIdentPaddedToTheEthernetMinimum) {
    SimSystem system = make_system();
    std::vector<uint8_t> padded = ident_frame();
    padded.resize(60, 0);
    EXPECT_EQ(respond(padded, system), DiscoveryAction::Reply);
}

TEST(SimResponder, IgnoresWhatIsNotAnIdent) {
    SimSystem system = make_system();
    std::vector<uint8_t> other_port = ident_frame();
    other_port[37] = 0x1e;  // port 8990
    EXPECT_EQ(respond(other_port, system), DiscoveryAction::Ignored);
    std::vector<uint8_t> longer = ident_frame();
    longer.push_back('S');
    longer[39] = 25;  // UDP length covers "IDENTS"
    EXPECT_EQ(respond(longer, system), DiscoveryAction::Ignored);
    std::vector<uint8_t> not_udp = ident_frame();
    not_udp[23] = 6;
    EXPECT_EQ(respond(not_udp, system), DiscoveryAction::Ignored);
    for (size_t cut = 0; cut < 58; ++cut) {
        std::vector<uint8_t> truncated(IdentFrameBytes, IdentFrameBytes + cut);
        EXPECT_EQ(respond(truncated, system), DiscoveryAction::Ignored) << "cut at " << cut;
    }
}

TEST(SimResponder, TakesTheAddressAnIpaddrGivesIt) {
    SimSystem system = make_system();
    const uint8_t own_ip[4] = {198, 51, 100, 11};
    EXPECT_EQ(respond(ipaddr_frame("198.051.100.077", SimMac, own_ip), system), DiscoveryAction::AddressChanged);
    const uint8_t moved[4] = {198, 51, 100, 77};
    EXPECT_EQ(0, std::memcmp(system.identity().ipv4, moved, 4));
    std::vector<uint8_t> reply;
    ASSERT_EQ(respond(ident_frame(), system, &reply), DiscoveryAction::Reply);
    EXPECT_EQ(0, std::memcmp(reply.data() + 26, moved, 4)) << "answers from the new address";
}

TEST(SimResponder, IgnoresIpaddrForOthersOrMalformed) {
    SimSystem system = make_system();
    const uint8_t own_ip[4] = {198, 51, 100, 11}, other_ip[4] = {198, 51, 100, 12};
    const uint8_t other_mac[6] = {0x02, 0x7a, 0x10, 0x0b, 0x01, 0x2d};
    EXPECT_EQ(respond(ipaddr_frame("198.51.100.50", other_mac, own_ip), system), DiscoveryAction::Ignored);
    EXPECT_EQ(respond(ipaddr_frame("198.51.100.50", SimMac, other_ip), system), DiscoveryAction::Ignored);
    EXPECT_EQ(respond(ipaddr_frame("198.51.100.50", BroadcastMac, own_ip), system), DiscoveryAction::Ignored);
    for (const char* bad : {"198.51.100.256", "198.51.100", "198.51.100.5.", "198.51.100.0005", "198.51.1x0.5",
                            "198..100.5", "", " 198.51.100.5", "198.51.100.5 junk"})
        EXPECT_EQ(respond(ipaddr_frame(bad, SimMac, own_ip), system), DiscoveryAction::Ignored) << bad;
    EXPECT_EQ(0, std::memcmp(system.identity().ipv4, own_ip, 4)) << "the address stays";
}

TEST(SimResponder, AnUnpluggedSystemAnswersNothingAndKeepsItsAddress) {
    SimSystem system = make_system();
    const uint8_t own_ip[4] = {198, 51, 100, 11};
    system.set_present(false);
    EXPECT_EQ(respond(ident_frame(), system), DiscoveryAction::Ignored);
    EXPECT_EQ(respond(ipaddr_frame("198.51.100.77", SimMac, own_ip), system), DiscoveryAction::Ignored);
    system.set_present(true);
    EXPECT_EQ(respond(ipaddr_frame("198.51.100.77", SimMac, own_ip), system), DiscoveryAction::AddressChanged);
}

TEST(SimResponder, RandomFramesAreHandledSafely) {
    SimSystem system = make_system();
    std::mt19937 random(77);
    const std::vector<uint8_t> seed = ipaddr_frame("198.51.100.50", SimMac, IdentSourceIpv4);
    for (int round = 0; round < 5000; ++round) {
        std::vector<uint8_t> frame(random() % 120);
        for (size_t i = 0; i < frame.size(); ++i)
            frame[i] = (round % 2 == 0 && i < 34 && i < seed.size()) ? seed[i] : static_cast<uint8_t>(random());
        std::vector<uint8_t> exact(frame);  // exact size: the sanitizer sees any overrun
        respond(exact, system);
    }
}

TEST(SimOptions, ReadsAndChecksTheCommandLine) {
    auto parse = [](std::vector<const char*> args, SimOptions* options, std::string* error) {
        args.insert(args.begin(), "talvo-sim");
        return parse_sim_options(static_cast<int>(args.size()), const_cast<char**>(args.data()), options, error);
    };
    SimOptions options;
    std::string error;
    ASSERT_TRUE(parse({"-i", "sim0", "--ip", "198.51.100.11", "--mac", "02:7a:10:0b:00:01", "-t", "TLV-100",
                       "--firmware", "3.1.0", "--reply-delay", "250"}, &options, &error)) << error;
    EXPECT_EQ(options.interface, "sim0");
    EXPECT_EQ(options.ipv4[3], 11);
    EXPECT_TRUE(options.mac_given);
    EXPECT_EQ(options.mac[5], 1);
    EXPECT_EQ(options.type, "TLV-100");
    EXPECT_EQ(options.reply_delay_ms, 250);

    const std::vector<std::vector<const char*>> bad = {
        {"--ip", "198.51.100.11"},                                  // no interface
        {"-i", "sim0"},                                             // no address
        {"-i", "sim0", "--ip", "198.51.100.300"},
        {"-i", "sim0", "--ip", "198.51.100.11", "--mac", "02:7a:10"},
        {"-i", "sim0", "--ip", "198.51.100.11", "--type", "two words"},
        {"-i", "sim0", "--ip", "198.51.100.11", "--firmware", ""},
        {"-i", "sim0", "--ip", "198.51.100.11", "--reply-delay", "-5"},
        {"-i", "sim0", "--ip", "198.51.100.11", "stray"},
        {"-i", "sim0", "--ip", "198.51.100.11", "--bogus"},
        {"-i", "sim0", "--ip", "198.51.100.11", "--count", "0"},
        {"-i", "sim0", "--ip", "198.51.100.11", "--count", "4097"}};
    for (const auto& args : bad) {
        SimOptions fresh;
        EXPECT_FALSE(parse(args, &fresh, &error));
        EXPECT_FALSE(error.empty()) << args.back();
    }
    for (const char* when : {"--appear-after=-1", "--appear-after=3600001", "--appear-after=5s", "--waves=10",
                             "--waves=0:5000", "--waves=4097:5000", "--waves=10:", "--waves=:5000", "--waves=10:-1",
                             "--waves=10:3600001", "--waves=10:5:5", "--away=2000", "--away=2000:0", "--away=-1:5",
                             "--away=3600001:5", "--away=5:3600001", "--away=x:5"}) {
        SimOptions fresh;
        EXPECT_FALSE(parse({"-i", "sim0", "--ip", "198.51.100.11", when}, &fresh, &error)) << when;
    }
    SimOptions help;
    EXPECT_FALSE(parse({"--help"}, &help, &error));
    EXPECT_TRUE(error.empty());

    // When the system is on the segment: start delay, waves, times away.
    const struct {
        std::vector<const char*> args;
        std::vector<int> schedule;  // appear after, wave size, wave every, then each away's from and for
    } schedules[] = {
        {{}, {0, 0, 0}},
        {{"--appear-after", "1500"}, {1500, 0, 0}},
        {{"--waves", "10:5000"}, {0, 10, 5000}},
        {{"--waves", "1:0", "--away", "2000:3000", "--away", "0:1"}, {0, 1, 0, 2000, 3000, 0, 1}},
        {{"--appear-after=3600000", "--waves=4096:3600000", "--away=3600000:3600000"},
         {3600000, 4096, 3600000, 3600000, 3600000}},
    };
    for (const auto& line : schedules) {
        std::vector<const char*> args = {"-i", "sim0", "--ip", "198.51.100.11"};
        args.insert(args.end(), line.args.begin(), line.args.end());
        SimOptions fresh;
        ASSERT_TRUE(parse(args, &fresh, &error)) << error;
        const PresenceSchedule& got = fresh.presence;
        std::vector<int> schedule = {got.appear_after_ms, got.wave_size, got.wave_every_ms};
        for (const AwayWindow& away : got.away) schedule.insert(schedule.end(), {away.from_ms, away.for_ms});
        EXPECT_EQ(schedule, line.schedule) << args.back();
    }
}

// Many systems from one process: distinct MACs (so distinct serial numbers), and
// addresses that stay on the segment's network, never .255 or .0.
TEST(SimIdentities, CountUpMacsAndAddressesWithinTheNetwork) {
    const SimIdentity first{{0x02, 0x7a, 0x10, 0x0b, 0x00, 0xff}, {198, 51, 100, 250}, "TLV-100", "3.1.0"};
    const std::vector<SimIdentity> all = consecutive_identities(first, 1000);
    ASSERT_EQ(all.size(), 1000u);
    EXPECT_EQ(all[1].mac[4], 0x01) << "the carry reaches the next byte";
    EXPECT_EQ(all[1].mac[5], 0x00);
    EXPECT_EQ(all[4].ipv4[3], 254);
    EXPECT_EQ(all[5].ipv4[3], 250) << "after .254 back to the first address";
    for (const SimIdentity& s : all) {
        EXPECT_EQ(std::vector<uint8_t>(s.ipv4, s.ipv4 + 3), std::vector<uint8_t>({198, 51, 100}));
        EXPECT_GE(s.ipv4[3], 250);
        EXPECT_LE(s.ipv4[3], 254);
        EXPECT_EQ(s.type, "TLV-100");
    }
    for (size_t i = 1; i < all.size(); ++i)
        EXPECT_NE(std::memcmp(all[i].mac, all[i - 1].mac, 6), 0) << i;
    SimOptions options;
    std::string error;
    std::vector<const char*> args = {"talvo-sim", "-i", "sim0", "--ip", "198.51.100.11", "--count", "1000"};
    ASSERT_TRUE(parse_sim_options(static_cast<int>(args.size()), const_cast<char**>(args.data()), &options, &error));
    EXPECT_EQ(options.count, 1000);
}

}  // namespace

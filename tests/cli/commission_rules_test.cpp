// What a commissioning run decides for each system: the plan's targets, what a system
// needs when it appears, a retry, a change's check, the run's end, and its record.
#include "cli/commission_rules.h"
#include "cli/targets.h"
#include "cli/work_record.h"
#include "support/json_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {

SystemRecord system_at(const char* ip, uint8_t last, const char* firmware = "3.1.0") {
    SystemRecord s{};
    unsigned b[4] = {};
    std::sscanf(ip, "%u.%u.%u.%u", &b[0], &b[1], &b[2], &b[3]);
    for (int i = 0; i < 4; ++i) s.ipv4[i] = static_cast<uint8_t>(b[i]);
    std::snprintf(s.ip_text, sizeof s.ip_text, "%s", ip);
    const uint8_t mac[6] = {0x02, 0x7a, 0x10, 0x0b, 0x00, last};
    std::memcpy(s.reply_headers + 6, mac, 6);
    std::snprintf(s.serial_text, sizeof s.serial_text, "K-R %d", 0x0b0000 + last);
    std::snprintf(s.firmware_text, sizeof s.firmware_text, "%s", firmware);
    std::snprintf(s.type_text, sizeof s.type_text, "TLV-100");
    return s;
}

TEST(CommissionPlan, TakesTargetsThatStayWithTheSystem) {
    struct Case { std::vector<PlannedChange> plan; const char* refusal; };
    const Case cases[] = {
        {{{"02:7a:10:0b:00:01", "198.51.100.61", 1}, {"K-R 720898", "198.51.100.62", 2}, {"720899", "198.51.100.63", 3}}, ""},
        {{{"198.51.100.50", "198.51.100.61", 1}}, "line 1 of the plan: '198.51.100.50' is neither a MAC nor a serial"},
        {{{"K-R 1", "198.51.100.61", 4}, {"K-R 1", "198.51.100.62", 5}}, "line 5 of the plan: K-R 1 is named twice"},
        {{{"K-R 1", "198.51.100.61", 1}, {"K-R 2", "198.51.100.061", 2}}, "line 2 of the plan: 198.51.100.61 is given twice"},
        {{{"K-R 1", "127.0.0.1", 7}}, "line 7 of the plan: no system can take 127.0.0.1"},
        {{{"K-R x", "198.51.100.61", 1}}, "line 1 of the plan: 'K-R x' is neither"},
    };
    for (const Case& c : cases) {
        std::vector<PlanTarget> targets;
        std::string why;
        EXPECT_EQ(plan_targets(c.plan, &targets, &why), c.refusal[0] == '\0') << why;
        EXPECT_EQ(why.rfind(c.refusal, 0), 0u) << why;
    }
}

TEST(CommissionPlan, FindsTheTargetOfASystemByMacOrSerial) {
    const std::vector<PlanTarget> plan = {{"02:7A:10:0B:00:01", {198, 51, 100, 61}, 1},
                                          {"K-R 720898", {198, 51, 100, 62}, 2},
                                          {"720899", {198, 51, 100, 63}, 3}};
    struct Case { uint8_t mac_last; int target; };
    const Case cases[] = {{1, 0}, {2, 1}, {3, 2}, {4, -1}};
    for (const Case& c : cases) {
        const SystemRecord s = system_at("198.51.100.50", c.mac_last);
        EXPECT_EQ(plan_target_of(plan, s), c.target) << int(c.mac_last);
        EXPECT_EQ(names_mac(plan[0].target, system_mac(s)), c.mac_last == 1);
        EXPECT_EQ(names_mac("720899", system_mac(s)), c.mac_last == 3);
    }
}

TEST(CommissionPlan, ASystemNeedsWhatItLacks) {
    struct Case { const char* at; const char* firmware; const char* wanted; Need need; };
    const Case cases[] = {
        {"198.51.100.50", "3.1.0", "3.3.0", Need::AddressFirst},
        {"198.51.100.50", "3.3.0", "3.3.0", Need::AddressFirst},
        {"198.51.100.61", "3.1.0", "3.3.0", Need::UpdateOnly},
        {"198.51.100.61", "3.3.0", "3.3.0", Need::Nothing},
        {"198.51.100.61", "3.1.0", "", Need::Nothing},  // no firmware given
        {"198.51.100.50", "3.1.0", "", Need::AddressFirst},
    };
    for (const Case& c : cases)
        EXPECT_EQ(need_on_arrival(system_at(c.at, 1, c.firmware), {198, 51, 100, 61}, c.wanted), c.need)
            << c.at << " " << c.firmware << " wanting " << c.wanted;
}

TEST(CommissionPlan, TheFirmwareAFileInstallsIsInItsName) {
    struct Case { const char* path; const char* text; };
    const Case cases[] = {{"/fw/TLV-3.3.0.firm", "3.3.0"}, {"TLV-Hub-2.0.1.firm", "2.0.1"}, {"fw/a-b/plain.firm", ""},
                          {"release.firm", ""}, {"TLV-3.3.0-rc1.FIRM", "3.3.0-rc1"},
                          {"TLV-x-9.firm", "9"}, {"TLV-.firm", ""}};
    for (const Case& c : cases) EXPECT_EQ(firmware_text_of_file(c.path), c.text) << c.path;
}

TEST(CommissionRun, RetriesFailuresAndEndsWhenEverySystemHasEnded) {
    using P = UnitPhase;
    EXPECT_TRUE(tries_again(1));
    EXPECT_TRUE(tries_again(MostRetries));
    EXPECT_FALSE(tries_again(MostRetries + 1));
    struct Case { P phase; int tries; bool ended; bool open; };
    const Case cases[] = {
        {P::Unseen, 0, false, true},      {P::Addressing, 1, false, true}, {P::Verifying, 1, false, true},
        {P::UpdatingWait, 1, false, true}, {P::Updating, 2, false, true},  {P::Restarting, 1, false, true},
        {P::Done, 1, true, false},        {P::AlreadyDone, 1, true, false}, {P::Interrupted, 1, true, false},
        {P::Failed, 1, false, false},     {P::Failed, MostRetries, false, false}, {P::Failed, MostRetries + 1, true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ended_for_good(c.phase, c.tries), c.ended) << "case " << (&c - cases);
        EXPECT_EQ(phase_open(c.phase), c.open) << "case " << (&c - cases);
    }
    EXPECT_TRUE(plan_complete({P::Done, P::AlreadyDone, P::Failed}, {1, 1, MostRetries + 1}));
    EXPECT_FALSE(plan_complete({P::Done, P::Unseen}, {1, 0}));
    EXPECT_FALSE(plan_complete({P::Done, P::Failed}, {1, 1}));
    EXPECT_TRUE(plan_complete({}, {}));
}

TEST(CommissionRun, AChangeIsCheckedByTheScansAfterIt) {
    struct Case { bool seen; int scans; Check check; };
    const Case cases[] = {{true, 0, Check::Confirmed}, {true, 5, Check::Confirmed}, {false, 0, Check::Waiting},
                          {false, ChecksBeforeFailing - 1, Check::Waiting}, {false, ChecksBeforeFailing, Check::Failed}};
    for (const Case& c : cases) EXPECT_EQ(change_check(c.seen, c.scans), c.check) << "case " << (&c - cases);
}

TEST(CommissionRecord, SaysEachTryAndNamesASystemNeverSeenByItsTarget) {
    const SystemRecord s = system_at("198.51.100.50", 1);
    const FileFacts firmware{"TLV-3.3.0.firm", false, 0, ""};
    CommissionRecord r;
    r.system = &s;
    r.target = "K-R 720897";
    r.interface = "tp0";
    r.new_address = "198.51.100.61";
    r.result = "commissioned";
    r.firmware = firmware;
    r.tries = {{"failed", "installing firmware", "Flash is write-protected", "t0", "t1"}, {"done", "", "", "t2", "t3"}};
    JsonObject o;
    ASSERT_TRUE(read_json_object(record_json(r), &o)) << record_json(r);
    EXPECT_EQ(o["action"], "commission");
    EXPECT_EQ(o["mac"], "02:7a:10:0b:00:01");
    EXPECT_EQ(o["target"], "K-R 720897");
    EXPECT_EQ(o["firmware_before"], "3.1.0");
    EXPECT_EQ(o["firmware_file.sha256"], JsonNull);
    EXPECT_EQ(o["sd_board_file"], JsonNull);
    EXPECT_EQ(o["tries.0.failed_step"], "installing firmware");
    EXPECT_EQ(o["tries.0.reason"], "Flash is write-protected");
    EXPECT_EQ(o["tries.1.result"], "done");
    EXPECT_EQ(o["tries.1.failed_step"], JsonNull);
    EXPECT_EQ(o.count("tries.2.result"), 0u);

    CommissionRecord unseen;
    unseen.target = "K-R 5";
    unseen.interface = "tp0";
    unseen.new_address = "198.51.100.65";
    unseen.result = "not-seen";
    ASSERT_TRUE(read_json_object(record_json(unseen), &o)) << record_json(unseen);
    EXPECT_EQ(o["mac"], JsonNull);
    EXPECT_EQ(o["firmware_before"], JsonNull);
    EXPECT_EQ(o["target"], "K-R 5");
    EXPECT_EQ(o["result"], "not-seen");
    EXPECT_EQ(o["firmware_file"], JsonNull);
}

}  // namespace

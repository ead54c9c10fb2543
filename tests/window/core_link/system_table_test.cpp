// Appending to SystemTable: fields cut to fit, and a table that cannot grow.
#include "core_link/scan.h"
#include "core_link/system_table.h"
#include "discovery/discovery_frame.h"
#include "support/reply_frames.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

class SystemTableTest : public ::testing::Test {
protected:
    void SetUp() override { clear_system_table(); }
    void TearDown() override { clear_system_table(); }
    const uint8_t frame_[82] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    const uint8_t ipv4_[4] = {198, 51, 100, 42};
};

TEST_F(SystemTableTest, CopiesEveryField) {
    ASSERT_EQ(add_system_to_internal("TLV-100", "3.1.0", 46, frame_, "198.51.100.42", "K-R 7", ipv4_), 0);
    ASSERT_EQ(add_system_to_internal("B", "2", 42, frame_, "198.51.100.43", "K-R 8", ipv4_), 0);
    ASSERT_EQ(SystemCount, 2);
    const SystemRecord& r = SystemTable[0];
    EXPECT_STREQ(r.type_text, "TLV-100");
    EXPECT_STREQ(r.firmware_text, "3.1.0");
    EXPECT_STREQ(r.ip_text, "198.51.100.42");
    EXPECT_STREQ(r.serial_text, "K-R 7");
    EXPECT_EQ(r.ipv4[3], 42);
    EXPECT_EQ(r.reply_headers_length, 46);
    EXPECT_EQ(r.reply_headers[13], 13);
    EXPECT_EQ(r.reply_headers[46], 0) << "nothing past the header length is copied";
    EXPECT_STREQ(SystemTable[1].type_text, "B") << "the first record survives the growth";
    EXPECT_STREQ(SystemTable[0].type_text, "TLV-100");
}

TEST_F(SystemTableTest, CutsTextsToTheirFields) {
    const std::string long_text(400, 'x');
    ASSERT_EQ(add_system_to_internal(long_text.c_str(), long_text.c_str(), 42, frame_,
                                     long_text.c_str(), long_text.c_str(), ipv4_), 0);
    const SystemRecord& r = SystemTable[0];
    EXPECT_EQ(std::string(r.type_text), long_text.substr(0, 254));
    EXPECT_EQ(std::string(r.firmware_text), long_text.substr(0, 254));
    EXPECT_EQ(std::string(r.serial_text), long_text.substr(0, 254));
    EXPECT_EQ(std::string(r.ip_text), long_text.substr(0, 31));
}

TEST_F(SystemTableTest, RefusesAHeaderLengthThatDoesNotFit) {
    EXPECT_EQ(add_system_to_internal("T", "F", 256, frame_, "ip", "s", ipv4_), -1);
    EXPECT_EQ(add_system_to_internal("T", "F", -1, frame_, "ip", "s", ipv4_), -1);
    EXPECT_EQ(SystemCount, 0);
}

// A count at its limit cannot grow: the records and the count stay, and the reason
// is printed.
TEST_F(SystemTableTest, FailedGrowthKeepsTheTable) {
    ASSERT_EQ(add_system_to_internal("T", "F", 42, frame_, "ip", "s", ipv4_), 0);
    SystemRecord* const storage = SystemTable;
    SystemCount = INT32_MAX;
    testing::internal::CaptureStdout();
    EXPECT_EQ(add_system_to_internal("T", "F", 42, frame_, "ip", "s", ipv4_), -1);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(SystemTable, storage);
    EXPECT_EQ(SystemCount, INT32_MAX);
    SystemCount = 1;
    EXPECT_STREQ(SystemTable[0].type_text, "T");
    EXPECT_EQ(printed, "Unable to allocate space\n");
}

// A flood of answers cannot take the memory: past the limit they are not stored.
TEST_F(SystemTableTest, AFullTableTakesNoMoreAnswers) {
    const std::vector<uint8_t> answer = reply_frame(identreply("T F "));
    for (int i = 0; i < ScanRecordLimit; ++i)
        ASSERT_EQ(handle_discovery_frame(answer.data(), answer.size()), FrameKind::Answer);
    ASSERT_EQ(SystemCount, ScanRecordLimit);
    SystemRecord* const storage = SystemTable;
    testing::internal::CaptureStdout();
    EXPECT_EQ(handle_discovery_frame(answer.data(), answer.size()), FrameKind::Answer);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(SystemCount, ScanRecordLimit);
    EXPECT_EQ(SystemTable, storage);
    EXPECT_EQ(store_in_system_table(SystemTable[0]), AnswerStore::Full);
}

TEST_F(SystemTableTest, ClearingEmptiesTheTable) {
    ASSERT_EQ(add_system_to_internal("T", "F", 42, frame_, "ip", "s", ipv4_), 0);
    clear_system_table();
    EXPECT_EQ(SystemTable, nullptr);
    EXPECT_EQ(SystemCount, 0);
}

}  // namespace

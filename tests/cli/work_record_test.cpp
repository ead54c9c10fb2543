// What talvo records and how it ends: each record's result and reason, the log's lines
// whole whatever write(2) does, and the exit status. A line a case.
#include "cli/commands.h"
#include "cli/update_records.h"
#include "cli/work_record.h"
#include "support/json_reader.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

TEST(AddressRecord, EveryPathHasItsResult) {
    using S = AddressSending;
    using R = RunStop;
    struct Case { S sending; bool scanned; const char* after; R stop; const char* result; const char* reason; };
    const Case cases[] = {
        {S::Sent, true, "198.51.100.20", R::None, "changed", ""},
        {S::Sent, true, "198.51.100.50", R::None, "failed", "still answers at 198.51.100.50"},
        {S::Sent, true, "", R::None, "failed", "did not answer the scan after the address change"},
        {S::Sent, false, "", R::None, "unverified", "sent, but the scan that checks it failed"},
        {S::Sent, false, "198.51.100.20", R::Interrupted, "unverified", "sent, but the scan that checks it failed"},
        {S::SendFailed, true, "198.51.100.50", R::None, "failed", "the address change could not be sent"},
        {S::NotSent, true, "198.51.100.50", R::None, "not-started", "not sent: an earlier change could not be sent"},
        {S::NotSent, false, "", R::Interrupted, "not-started", "not sent: interrupted"},
        {S::NotSent, false, "", R::Abandoned, "not-started", "not sent: interrupted"},
        {S::Sent, false, "", R::Abandoned, "abandoned", "abandoned before the scan that checks it"},
        {S::SendFailed, false, "", R::Abandoned, "failed", "the address change could not be sent"},
    };
    for (const Case& c : cases) {
        const AddressOutcome o = address_outcome(c.sending, c.scanned, "198.51.100.20", c.after, c.stop);
        EXPECT_EQ(o.result, c.result) << "case " << (&c - cases);
        EXPECT_EQ(o.reason, c.reason) << "case " << (&c - cases);
    }
}

// Where a system stood when a second signal ended talvo at once.
TEST(UpdateRecord, ASystemLeftBehindIsRecordedAsItStood) {
    using U = UpdateStep;
    struct Case { bool installing, not_begun; U step; bool sd; const char* result; const char* reason; };
    const Case cases[] = {
        {true, false, U::InstallingFirmware, true, "abandoned", "left between its installation and its reboot: it "
         "lacks the end of its firmware installation, its SD board file system and its reboot request"},
        {true, false, U::InstallingFirmware, false, "abandoned", "left between its installation and its reboot: it "
         "lacks the end of its firmware installation, its reboot request"},
        {true, false, U::UploadingSdBoard, true, "abandoned", "left between its installation and its reboot: it "
         "lacks its SD board file system and its reboot request"},
        {true, false, U::ValidatingSdBoard, true, "abandoned", "left between its installation and its reboot: it "
         "lacks its SD board file system and its reboot request"},
        {true, false, U::Rebooting, true, "abandoned", "left between its installation and its reboot: it lacks its "
         "reboot request"},
        {false, false, U::WaitingForRestart, true, "updated", ""},
        {false, false, U::UploadingFirmware, true, "interrupted", "interrupted before the installation"},
        {false, false, U::CheckingSystem, false, "interrupted", "interrupted before the installation"},
        {false, true, U::CheckingSystem, true, "not-started", ""},
    };
    for (const Case& c : cases) {
        const LeftBehind left = left_behind(c.installing, c.not_begun, c.step, c.sd);
        EXPECT_EQ(left.result, c.result) << "case " << (&c - cases);
        EXPECT_EQ(left.reason, c.reason) << "case " << (&c - cases);
        EXPECT_EQ(left.step, c.step);
    }
}

TEST(ExitStatus, SaysTheWorstOfWhatHappened) {
    struct Case { bool interrupted, all_done, record_lost; ExitCode code; };
    const Case cases[] = {
        {false, true, false, ExitCode::Done},       {false, true, true, ExitCode::OutputLost},
        {false, false, false, ExitCode::SomeFailed}, {false, false, true, ExitCode::SomeFailed},
        {true, true, false, ExitCode::Interrupted}, {true, false, true, ExitCode::Interrupted},
    };
    for (const Case& c : cases)
        EXPECT_EQ(work_exit_code(c.interrupted, c.all_done, c.record_lost), c.code) << "case " << (&c - cases);
    EXPECT_EQ(static_cast<int>(ExitCode::OutputLost), 3);
}

// write(2) stand-ins: each call takes what its script says.
std::vector<ssize_t> Script;
std::string Written;
ssize_t scripted_write(int, const void* bytes, size_t size) {
    if (Script.empty()) {
        errno = EIO;  // more calls than the script holds: a writer that never ends
        return -1;
    }
    ssize_t n = Script.front();
    Script.erase(Script.begin());
    if (n == -EINTR || n == -ENOSPC) {
        errno = static_cast<int>(-n);
        return -1;
    }
    n = std::min<ssize_t>(n, static_cast<ssize_t>(size));
    Written.append(static_cast<const char*>(bytes), static_cast<size_t>(n));
    return n;
}

TEST(RecordLog, ALineIsWrittenWholeOrSaidToHaveFailed) {
    struct Case { std::vector<ssize_t> script; bool whole; std::string written; };
    const Case cases[] = {
        {{100}, true, "{\"a\": 1}\n"},
        {{3, 100}, true, "{\"a\": 1}\n"},
        {{1, 1, 1, 1, 1, 1, 1, 1, 1}, true, "{\"a\": 1}\n"},
        {{-EINTR, 100}, true, "{\"a\": 1}\n"},
        {{4, -EINTR, 100}, true, "{\"a\": 1}\n"},
        {{4, -ENOSPC}, false, "{\"a\""},
        {{0}, false, ""},  // nothing taken, no reason: no endless loop
    };
    for (const Case& c : cases) {
        Script = c.script;
        Written.clear();
        EXPECT_EQ(write_whole(7, "{\"a\": 1}\n", scripted_write), c.whole) << "case " << (&c - cases);
        EXPECT_EQ(Written, c.written) << "case " << (&c - cases);
    }
}

// The log keeps what it held (another day's runs) and takes each record as a line; a
// log that cannot be written makes the run say so.
TEST(RecordLog, AppendsToWhatTheFileHolds) {
    char path[] = "/tmp/talvo-log-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "{\"earlier\": 1}\n", 15), 15);
    close(fd);
    {
        RecordLog log;
        std::string why;
        ASSERT_TRUE(log.open(path, &why)) << why;
        EXPECT_TRUE(log.append("{\"a\": 1}"));
        EXPECT_TRUE(log.append("{\"b\": 2}"));
        EXPECT_FALSE(log.failed());
    }
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "{\"earlier\": 1}\n{\"a\": 1}\n{\"b\": 2}\n");
    std::remove(path);

    RecordLog full;
    std::string why;
    ASSERT_TRUE(full.open("/dev/full", &why)) << why;
    EXPECT_FALSE(full.append("{\"a\": 1}"));
    EXPECT_TRUE(full.failed());
}

// The record names the bytes the system was sent, and only once it was sent them whole.
TEST(UpdateRecord, NamesTheBytesSentWhole) {
    SentFile sent("/fw/TLV-3.3.0.firm");
    sent.add(reinterpret_cast<const unsigned char*>("ab"), 2);
    sent.add(reinterpret_cast<const unsigned char*>("c"), 1);
    SystemRecord system{};
    UpdateRecord record;
    record.system = &system;
    record.firmware = sent.facts(true);
    JsonObject r;
    ASSERT_TRUE(read_json_object(record_json(record), &r));
    EXPECT_EQ(r["firmware_file.name"], "TLV-3.3.0.firm");
    EXPECT_EQ(r["firmware_file.size"], "3");
    EXPECT_EQ(r["firmware_file.sha256"], "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");  // "abc"
    record.firmware = sent.facts(false);
    ASSERT_TRUE(read_json_object(record_json(record), &r));
    EXPECT_EQ(r["firmware_file.name"], "TLV-3.3.0.firm");
    EXPECT_EQ(r["firmware_file.size"], JsonNull);
    EXPECT_EQ(r["firmware_file.sha256"], JsonNull);
}

// Each chunk counts for the file of its step; a file is sent whole once the step after
// its upload began.
TEST(UpdateRecord, EachFileCountsOnceItsUploadEnded) {
    using U = UpdateStep;
    SentFiles sent("/fw/A.firm", "/fw/A.spmmc");
    sent.add(U::UploadingFirmware, reinterpret_cast<const unsigned char*>("ab"), 2);
    sent.add(U::UploadingSdBoard, reinterpret_cast<const unsigned char*>("c"), 1);
    struct Case { UpdateFailure failure; U step; bool firmware, sd_board; };
    const Case cases[] = {
        {UpdateFailure::None, U::WaitingForRestart, true, true},
        {UpdateFailure::CallFailed, U::UploadingFirmware, false, false},
        {UpdateFailure::Refused, U::InstallingFirmware, true, false},
        {UpdateFailure::CallFailed, U::UploadingSdBoard, true, false},
        {UpdateFailure::Refused, U::InstallingSdBoard, true, true},
        {UpdateFailure::Interrupted, U::CheckingSystem, false, false},
    };
    for (const Case& c : cases) {
        const UpdateOutcome ended{c.failure, c.step, ""};
        EXPECT_EQ(sent.firmware(ended).sent_whole, c.firmware) << "case " << (&c - cases);
        EXPECT_EQ(sent.sd_board(ended).sent_whole, c.sd_board) << "case " << (&c - cases);
    }
    EXPECT_EQ(sent.firmware(UpdateOutcome{}).size, 2u);
    EXPECT_EQ(sent.sd_board(UpdateOutcome{}).size, 1u);
    EXPECT_EQ(sent.sd_board(UpdateOutcome{}).name, "A.spmmc");
}

}  // namespace

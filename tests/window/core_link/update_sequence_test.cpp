// The update sequence against the simulated Device Service on loopback: whole updates,
// the bytes the system ends with, and each failure with its code and texts.
#include "app/state_machine.h"
#include "core_link/firmware_catalogue.h"
#include "core_link/system_table.h"
#include "core_link/update_seams.h"
#include "core_link/update_sequence.h"
#include "core_link/update_status.h"
#include "support/loopback.h"
#include "support/update_fixture.h"
#include "toolkit/resource_path.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <thread>

using namespace talvo_sim;

namespace {

// Runs the shell's update thread for firmware/name and the system at address, as the
// firmware list's Ok button does.
UpdateRun update_thread_for(const std::string& name, const std::string& address) {
    const uint8_t frame[1] = {0}, ipv4[4] = {127, 0, 0, 1};
    clear_system_table();
    add_system_to_internal("TLV-100", "3.1.0", 0, frame, address.c_str(), "S1", ipv4);
    SelectedSystem = 0;
    read_firmware_catalogue();
    for (int i = 0; i < FirmwareCount; ++i)
        if (name == FirmwareNames[i]) ChosenFirmware = i;
    UpdateRun run = captured_run(update_thread);
    clear_system_table();
    return run;
}

// The firmware text a rebooted system reports, once it has (at most 5 s).
class RebootWatch {
public:
    void attach(DeviceServiceOptions& options) {
        options.reboot_silence_ms = 50;
        options.on_rebooted = [this](const std::string& firmware) {
            std::lock_guard<std::mutex> lock(mutex_);
            firmware_ = firmware;
            changed_.notify_all();
        };
    }
    std::string firmware() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(5), [this] { return !firmware_.empty(); });
        return firmware_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string firmware_;
};

std::vector<std::string> chunk_lines(const std::string& operation, size_t size) {
    std::vector<std::string> lines;
    for (size_t left = size; left > 0; left -= std::min<size_t>(left, 65535))
        lines.push_back(operation + " Chunk " + std::to_string(std::min<size_t>(left, 65535)));
    return lines;
}

std::vector<std::string> concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

const std::string NoSpmmc = "FindFirstFile failed (2)\n";

}  // namespace

class UpdateSequenceTest : public UpdateTest {};

TEST_F(UpdateSequenceTest, WholeUpdateWithoutSdBoardFile) {
    const auto firmware = named_firmware("4.0.0", 100000, 1);
    resources.add("fw4.firm", firmware);
    DeviceServiceOptions options;
    StatusSamples samples;
    samples.attach(options);
    RebootWatch reboot;
    reboot.attach(options);
    LoopbackSystem system(options);
    ASSERT_FALSE(system.address.empty());

    const UpdateRun run = update_thread_for("fw4.firm", system.address);
    EXPECT_EQ(UpdateStatus.load(), 9);
    EXPECT_EQ(run.out, "start firmware update task\nforcing reset of upload on the module\n"
                       "Uploading firmware file\nNow updating firmware\n" + NoSpmmc + "Now rebooting\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(samples.values(), (std::vector<int>{1, 2, 3, 3, 4, 8}));
    EXPECT_EQ(system.service->request_log(),
              concat({{"GetModuleType", "FirmwareUpdate Reset"}, chunk_lines("FirmwareUpdate", 100000),
                      {"FirmwareUpdate Closing", "ForceReboot"}}));
    EXPECT_TRUE(system.service->installed_firmware() == firmware);
    EXPECT_EQ(system.service->connections_accepted(), 1);
    EXPECT_EQ(system.service->bytes_outside_envelopes(), 0u);
    EXPECT_EQ(reboot.firmware(), "4.0.0");  // what the next scan shows
}

TEST_F(UpdateSequenceTest, WholeUpdateWithSdBoardFilePassesEveryStatusInOrder) {
    const auto firmware = named_firmware("4.1.0", 70000, 2);
    const auto file_system = pattern_bytes(65536 + 100, 3);
    resources.add("fw_41.firm", firmware);
    resources.add("fw_41.spmmc", file_system);
    DeviceServiceOptions options;
    options.install_delay_ms = 30;
    StatusSamples samples;
    samples.attach(options);
    RebootWatch reboot;
    reboot.attach(options);
    LoopbackSystem system(options);
    ASSERT_FALSE(system.address.empty());

    const UpdateRun run = update_thread_for("fw_41.firm", system.address);
    EXPECT_EQ(UpdateStatus.load(), 9);
    EXPECT_EQ(samples.values(), (std::vector<int>{1, 2, 3, 3, 4, 5, 5, 6, 7, 8}));
    EXPECT_EQ(run.out, "start firmware update task\nforcing reset of upload on the module\n"
                       "Uploading firmware file\nNow updating firmware\nThe system has an spmmc file\n"
                       "doing spmmc update with file : " + resources.path("fw_41.spmmc") + "\n"
                       "Uploading spmmc file\nNow updating spmmc\nTry to validate the MMC \nNow rebooting\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(system.service->request_log(),
              concat({{"GetModuleType", "FirmwareUpdate Reset"}, chunk_lines("FirmwareUpdate", 70000),
                      {"FirmwareUpdate Closing"}, chunk_lines("MMCUpdate", 65636),
                      {"MMCUpdate Closing", "MMCValidate", "ForceReboot"}}));
    EXPECT_TRUE(system.service->installed_firmware() == firmware);
    EXPECT_TRUE(system.service->installed_file_system() == file_system);
    EXPECT_TRUE(system.service->file_system_validated());
    EXPECT_EQ(system.service->connections_accepted(), 2);
    EXPECT_EQ(system.service->bytes_outside_envelopes(), 0u);
    EXPECT_EQ(reboot.firmware(), "4.1.0");
}

TEST_F(UpdateSequenceTest, FilesOfEverySizeArriveIntact) {
    for (size_t size : {size_t{0}, size_t{65535}, size_t{65536}, size_t{5 * 1024 * 1024 + 321}}) {
        SCOPED_TRACE("file of " + std::to_string(size) + " bytes");
        const auto firmware = pattern_bytes(size, static_cast<unsigned>(size));
        resources.add("f.firm", firmware);
        DeviceServiceOptions options;
        StatusSamples samples;
        samples.attach(options);
        LoopbackSystem system(options);
        ASSERT_FALSE(system.address.empty());
        const UpdateRun run = run_update("f.firm", system.address);
        ASSERT_EQ(run.result, 0) << run.err;
        EXPECT_TRUE(system.service->firmware_installed());
        const auto installed = system.service->installed_firmware();
        EXPECT_EQ(installed.size(), firmware.size());
        EXPECT_TRUE(installed == firmware);
        const auto log = system.service->request_log();
        EXPECT_EQ(std::vector<std::string>(log.begin() + 2, log.end() - 2), chunk_lines("FirmwareUpdate", size));
        const auto statuses = samples.values();
        EXPECT_EQ(statuses.size(), log.size());
        if (size == 0) {
            EXPECT_EQ(statuses, (std::vector<int>{1, 2, 4, 8}));  // 3 passes at once
        }
    }
}

// The update thread refuses, before anything is sent, an update without a chosen
// firmware or a selected system, and a firmware path that its buffer would cut.
TEST_F(UpdateSequenceTest, TheUpdateThreadRefusesWhatItCannotUpdate) {
    const uint8_t frame[1] = {0}, ipv4[4] = {127, 0, 0, 1};
    const std::string dir_256 = "/" + std::string(239, 'd');  // with "/firmware/a.firm": 256
    const std::string dir_257 = dir_256 + "d";
    struct Case {
        int32_t chosen_firmware, selected_system;
        const char* resource_dir;  // nullptr: the test's folder
        const char* error_text;    // nullptr: the path is too long
    };
    const Case cases[] = {
        {-1, 0, nullptr, "No firmware or no system chosen"},
        {1, 0, nullptr, "No firmware or no system chosen"},
        {0, -1, nullptr, "No firmware or no system chosen"},
        {0, 1, nullptr, "No firmware or no system chosen"},
        {0, 0, dir_256.c_str(), nullptr},
        {0, 0, dir_257.c_str(), nullptr},
    };
    const std::string own_dir = ResourceDir;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.chosen_firmware) + " " + std::to_string(c.selected_system));
        clear_system_table();
        add_system_to_internal("TLV-100", "3.1.0", 0, frame, "127.0.0.1", "S1", ipv4);
        std::snprintf(FirmwareNames[0], FirmwareNameSize, "a.firm");
        FirmwareCount = 1;
        ChosenFirmware = c.chosen_firmware;
        SelectedSystem = c.selected_system;
        std::snprintf(ResourceDir, sizeof ResourceDir, "%s", c.resource_dir ? c.resource_dir : own_dir.c_str());
        const UpdateRun run = captured_run(update_thread);
        EXPECT_EQ(UpdateStatus.load(), UpdateStatusFailed);
        EXPECT_EQ(run.out, "start firmware update task\n");
        const std::string dir = c.resource_dir ? c.resource_dir : "";
        const std::string too_long = "Error, firmware path too long : " + dir + "/firmware/a.firm";
        EXPECT_EQ(UpdateErrorText, c.error_text ? std::string(c.error_text) : too_long.substr(0, 255));
    }
    std::snprintf(ResourceDir, sizeof ResourceDir, "%s", own_dir.c_str());
    clear_system_table();
}

TEST_F(UpdateSequenceTest, UnreachableSystemFailsWithMinusOne) {
    resources.add("a.firm", {1, 2, 3});
    const UpdateRun run = run_update("a.firm", unused_loopback_address());
    EXPECT_EQ(run.result, -1);
    EXPECT_STREQ(UpdateErrorText, "Impossible to access the system");
    EXPECT_NE(run.err.find("Connection refused"), std::string::npos) << run.err;
    EXPECT_EQ(UpdateStatus.load(), 1);
}

// The system answered with a fault: its reason is the text shown. No fault report is
// printed for this step.
TEST_F(UpdateSequenceTest, GetModuleTypeFailureIsMinusTwoWithTheFaultsReason) {
    resources.add("a.firm", {1});
    DeviceServiceOptions options;
    options.faults = {fault(Operation::GetModuleType, RequestKind::Plain, 0, FaultAction::SoapFault, "busy")};
    LoopbackSystem system(options);
    ASSERT_FALSE(system.address.empty());
    const UpdateRun run = run_update("a.firm", system.address);
    EXPECT_EQ(run.result, -2);
    EXPECT_EQ(run.err, "Error soap_call_TLCommon__GetModuleType\n");
    EXPECT_STREQ(UpdateErrorText, "busy");
}

TEST_F(UpdateSequenceTest, GetModuleTypeWithoutAnswerIsMinusTwoWithItsOwnText) {
    resources.add("a.firm", {1});
    DeviceServiceOptions options;
    options.faults = {fault(Operation::GetModuleType, RequestKind::Plain, 0, FaultAction::Drop)};
    LoopbackSystem system(options);
    ASSERT_FALSE(system.address.empty());
    const UpdateRun run = run_update("a.firm", system.address);
    EXPECT_EQ(run.result, -2);
    EXPECT_EQ(run.err, "Error soap_call_TLCommon__GetModuleType\n");
    EXPECT_STREQ(UpdateErrorText, "Error soap_call_TLCommon__GetModuleType");
}

TEST_F(UpdateSequenceTest, AcceptedResetIsMinusThreeWithTheMessageAndItsLineEnd) {
    resources.add("a.firm", {1});
    DeviceServiceOptions options;
    options.faults = {fault(Operation::FirmwareUpdate, RequestKind::Reset, 0, FaultAction::Accept)};
    LoopbackSystem system(options);
    ASSERT_FALSE(system.address.empty());
    const UpdateRun run = run_update("a.firm", system.address);
    const std::string message = "reset_upload: call TLCommonPrivate__FirmwareUpdate() should not have succeeded !\n";
    EXPECT_EQ(run.result, -3);
    EXPECT_EQ(UpdateErrorText, message);
    EXPECT_EQ(run.err, message + "Error cannot reset upload\n");
    EXPECT_EQ(system.service->request_log(), (std::vector<std::string>{"GetModuleType", "FirmwareUpdate Reset"}));
}

TEST_F(UpdateSequenceTest, MissingFileIsMinusFour) {
    LoopbackSystem system(DeviceServiceOptions{});
    ASSERT_FALSE(system.address.empty());
    const UpdateRun run = run_update("gone.firm", system.address);
    EXPECT_EQ(run.result, -4);
    EXPECT_EQ(UpdateErrorText, "Error, cannot open file : " + resources.path("gone.firm"));
    EXPECT_EQ(run.err, "Error, cannot open file : " + resources.path("gone.firm") + "\n");
    EXPECT_EQ(UpdateStatus.load(), 2);
}

// A directory named like a firmware file is no file to upload: nothing is installed.
TEST_F(UpdateSequenceTest, DirectoryIsRefusedAsNoRegularFileAndNeverInstalled) {
    resources.add_directory("folder.firm");
    LoopbackSystem system(DeviceServiceOptions{});
    ASSERT_FALSE(system.address.empty());
    const UpdateRun run = run_update("folder.firm", system.address);
    EXPECT_EQ(run.result, -4);
    EXPECT_EQ(UpdateErrorText, "Error, not a regular file : " + resources.path("folder.firm"));
    EXPECT_FALSE(system.service->firmware_installed());
}

TEST_F(UpdateSequenceTest, NoContextMemoryIsMinusSixWithAReason) {
    resources.add("a.firm", {1, 2});
    TakeChunkMemory = [](struct soap*, size_t) -> void* { return nullptr; };
    LoopbackSystem system(DeviceServiceOptions{});
    ASSERT_FALSE(system.address.empty());
    const UpdateRun run = run_update("a.firm", system.address);
    EXPECT_EQ(run.result, -6);
    EXPECT_EQ(run.err, "malloc error\n");
    EXPECT_STREQ(UpdateErrorText, "Not enough memory to upload the file");
    EXPECT_EQ(system.service->request_log(), (std::vector<std::string>{"GetModuleType", "FirmwareUpdate Reset"}));
}

// The system answered: its reason is shown, and the fault is printed.
TEST_F(UpdateSequenceTest, SoapFaultOnAChunkIsMinusSevenWithTheFaultsReason) {
    resources.add("a.firm", pattern_bytes(100, 4));
    DeviceServiceOptions options;
    options.faults = {fault(Operation::FirmwareUpdate, RequestKind::Chunk, 0, FaultAction::SoapFault, "flash locked")};
    LoopbackSystem system(options);
    ASSERT_FALSE(system.address.empty());
    const UpdateRun run = run_update("a.firm", system.address);
    EXPECT_EQ(run.result, -7);
    EXPECT_STREQ(UpdateErrorText, "flash locked");
    EXPECT_NE(run.err.find("flash locked"), std::string::npos) << run.err;
}

// The window closed during the upload: the update stops before its installing call.
TEST_F(UpdateSequenceTest, ACloseDuringTheUploadStopsItBeforeTheInstallation) {
    resources.add("a.firm", pattern_bytes(200000, 6));
    DeviceServiceOptions options;
    options.on_request = [](const Request& request) {
        if (request.operation == Operation::FirmwareUpdate && request.kind == RequestKind::Chunk) {
            EXPECT_TRUE(UpdateGate.request_stop()) << "nothing is installing yet";
        }
    };
    LoopbackSystem system(options);
    ASSERT_FALSE(system.address.empty());
    const UpdateRun run = run_update("a.firm", system.address);
    EXPECT_EQ(run.result, -7);
    const auto log = system.service->request_log();
    EXPECT_EQ(std::count(log.begin(), log.end(), "FirmwareUpdate Closing"), 0);
    EXPECT_FALSE(system.service->firmware_installed());
}

TEST_F(UpdateSequenceTest, DroppedConnectionOnAChunkIsMinusSeven) {
    resources.add("a.firm", pattern_bytes(200000, 5));
    DeviceServiceOptions options;
    options.faults = {fault(Operation::FirmwareUpdate, RequestKind::Chunk, 1, FaultAction::Drop)};
    LoopbackSystem system(options);
    ASSERT_FALSE(system.address.empty());
    const UpdateRun run = run_update("a.firm", system.address);
    EXPECT_EQ(run.result, -7);
    EXPECT_STREQ(UpdateErrorText, "Impossible to access the system");
    EXPECT_EQ(system.service->connections_accepted(), 1);
}

// A live connection on which the system stops answering: the screen says during which
// step, once the call's deadline has passed.
TEST_F(UpdateSequenceTest, SystemThatStopsAnsweringEndsTheUpdateAtTheDeadline) {
    resources.add("a.firm", pattern_bytes(200000, 13));
    CallDeadlineMs = 1000;
    DeviceServiceOptions options;
    options.faults = {fault(Operation::FirmwareUpdate, RequestKind::Chunk, 1, FaultAction::Silence)};
    LoopbackSystem system(options);
    ASSERT_FALSE(system.address.empty());
    const UpdateRun run = run_update("a.firm", system.address);
    EXPECT_EQ(run.result, -7);
    EXPECT_STREQ(UpdateErrorText, "The system stopped answering during the firmware upload");
    EXPECT_EQ(UpdateStatus.load(), 3);
    EXPECT_FALSE(system.service->firmware_installed());
}

TEST_F(UpdateSequenceTest, RefusedChunkIsMinusEightWithTheDeviceText) {
    resources.add("a.firm", pattern_bytes(200000, 6));
    DeviceServiceOptions options;
    options.faults = {fault(Operation::FirmwareUpdate, RequestKind::Chunk, 1, FaultAction::Refuse, "flash write error")};
    LoopbackSystem system(options);
    ASSERT_FALSE(system.address.empty());
    const UpdateRun run = run_update("a.firm", system.address);
    EXPECT_EQ(run.result, -8);
    EXPECT_STREQ(UpdateErrorText, "flash write error");
    EXPECT_EQ(run.err, "error while uploading data: flash write error\n");
    EXPECT_EQ(system.service->request_log(),
              (std::vector<std::string>{"GetModuleType", "FirmwareUpdate Reset", "FirmwareUpdate Chunk 65535",
                                        "FirmwareUpdate Chunk 65535"}));
}

TEST_F(UpdateSequenceTest, LongDeviceTextIsCutTo255Characters) {
    resources.add("a.firm", {1});
    const std::string text(400, 'e');
    DeviceServiceOptions options;
    options.faults = {fault(Operation::FirmwareUpdate, RequestKind::Chunk, 0, FaultAction::Refuse, text)};
    LoopbackSystem system(options);
    ASSERT_FALSE(system.address.empty());
    const UpdateRun run = run_update("a.firm", system.address);
    EXPECT_EQ(run.result, -8);
    EXPECT_EQ(UpdateErrorText, text.substr(0, 255));
    EXPECT_EQ(run.err, "error while uploading data: " + text + "\n");
}

TEST_F(UpdateSequenceTest, FailedClosingCallIsMinusNine) {
    resources.add("a.firm", {1});
    DeviceServiceOptions options;
    options.faults = {fault(Operation::FirmwareUpdate, RequestKind::Closing, 0, FaultAction::Drop)};
    LoopbackSystem system(options);
    ASSERT_FALSE(system.address.empty());
    const UpdateRun run = run_update("a.firm", system.address);
    EXPECT_EQ(run.result, -9);
    EXPECT_STREQ(UpdateErrorText, "Impossible to access the system");
    EXPECT_EQ(UpdateStatus.load(), 4);
}

TEST_F(UpdateSequenceTest, RefusedInstallationIsMinusTen) {
    resources.add("a.firm", {1});
    DeviceServiceOptions options;
    options.faults = {fault(Operation::FirmwareUpdate, RequestKind::Closing, 0, FaultAction::Refuse, "bad image", 7)};
    LoopbackSystem system(options);
    ASSERT_FALSE(system.address.empty());
    const UpdateRun run = run_update("a.firm", system.address);
    EXPECT_EQ(run.result, -10);
    EXPECT_STREQ(UpdateErrorText, "bad image");
    EXPECT_EQ(run.err, "error while firmware update: 7 bad image\n");
}

TEST_F(UpdateSequenceTest, RefusedRebootIsMinusElevenWithSyserrno) {
    resources.add("a.firm", {1});
    DeviceServiceOptions options;
    options.faults = {fault(Operation::ForceReboot, RequestKind::Plain, 0, FaultAction::Refuse, "", 1, 5)};
    LoopbackSystem system(options);
    ASSERT_FALSE(system.address.empty());
    const UpdateRun run = run_update("a.firm", system.address);
    EXPECT_EQ(run.result, -11);
    EXPECT_STREQ(UpdateErrorText, "reboot failed: errno=5 \n");
    EXPECT_EQ(run.err, "reboot failed: errno=5 \nerror while rebooting\n");
    EXPECT_EQ(UpdateStatus.load(), 8);
}

TEST_F(UpdateSequenceTest, SdBoardFailureIsMinusElevenAndNoRebootIsAsked) {
    resources.add("b.firm", {1});
    resources.add("b.spmmc", {2});
    DeviceServiceOptions options;
    options.faults = {fault(Operation::MMCValidate, RequestKind::Plain, 0, FaultAction::Refuse, "bad file system")};
    LoopbackSystem system(options);
    ASSERT_FALSE(system.address.empty());
    const UpdateRun run = run_update("b.firm", system.address);
    EXPECT_EQ(run.result, -11);
    EXPECT_STREQ(UpdateErrorText, "bad file system");
    EXPECT_EQ(run.err, "error while validating mmc: bad file system\n");
    const auto log = system.service->request_log();
    EXPECT_EQ(std::count(log.begin(), log.end(), "ForceReboot"), 0);
    EXPECT_EQ(log.back(), "MMCValidate");
}

// Files whose names only begin with the firmware's base name, or have another one,
// belong to other firmware: the update goes on without an SD board step.
TEST_F(UpdateSequenceTest, SpmmcFilesOfOtherFirmwareAreLeftOut) {
    resources.add("a.firm", {1});
    resources.add("abc.spmmc", {2});
    resources.add("a_old.spmmc", {3});
    resources.add("other.spmmc", {4});
    LoopbackSystem system(DeviceServiceOptions{});
    ASSERT_FALSE(system.address.empty());
    const UpdateRun run = update_thread_for("a.firm", system.address);
    EXPECT_EQ(UpdateStatus.load(), 9) << UpdateErrorText;
    EXPECT_EQ(run.out.find("spmmc"), std::string::npos) << run.out;
    const auto log = system.service->request_log();
    EXPECT_EQ(std::count(log.begin(), log.end(), "MMCValidate"), 0);
    EXPECT_EQ(log.back(), "ForceReboot");
    EXPECT_EQ(system.service->connections_accepted(), 1);
}

// Copied from Windows: the extension in capitals. The file is opened under that name.
TEST_F(UpdateSequenceTest, SpmmcWithTheExtensionInCapitalsIsOpenedUnderItsOwnName) {
    const auto file_system = pattern_bytes(1000, 11);
    resources.add("b.firm", {1});
    resources.add("b.SPMMC", file_system);
    LoopbackSystem system(DeviceServiceOptions{});
    ASSERT_FALSE(system.address.empty());
    const UpdateRun run = update_thread_for("b.firm", system.address);
    EXPECT_EQ(UpdateStatus.load(), 9) << UpdateErrorText;
    EXPECT_NE(run.out.find("doing spmmc update with file : " + resources.path("b.SPMMC") + "\n"), std::string::npos)
        << run.out;
    EXPECT_TRUE(system.service->installed_file_system() == file_system);
    EXPECT_TRUE(system.service->file_system_validated());
}

TEST_F(UpdateSequenceTest, SdBoardStepCodes) {
    resources.add("s.spmmc", pattern_bytes(70000, 7));
    const std::string path = resources.path("s.spmmc");
    struct Case {
        FaultRule rule;
        int32_t code;
        std::string err;
        std::string text = "Impossible to access the system";  // where err is empty
    };
    const std::vector<Case> cases = {
        {fault(Operation::MMCUpdate, RequestKind::Chunk, 1, FaultAction::Refuse, "sd full"), -8,
         "error while uploading data: sd full\n"},
        {fault(Operation::MMCUpdate, RequestKind::Chunk, 0, FaultAction::Drop), -7, ""},
        {fault(Operation::MMCUpdate, RequestKind::Closing, 0, FaultAction::Drop), -9, ""},
        {fault(Operation::MMCUpdate, RequestKind::Closing, 0, FaultAction::Refuse, "sd broken"), -10,
         "error while spmmc update: sd broken\n"},
        {fault(Operation::MMCValidate, RequestKind::Plain, 0, FaultAction::SoapFault, "no"), -11, "", "no"},
        {fault(Operation::MMCValidate, RequestKind::Plain, 0, FaultAction::Refuse, "invalid"), -12,
         "error while validating mmc: invalid\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        DeviceServiceOptions options;
        options.faults = {c.rule};
        LoopbackSystem system(options);
        ASSERT_FALSE(system.address.empty());
        const UpdateRun run = captured_run([&] { return update_spmmc(path.c_str(), system.address.c_str()); });
        EXPECT_EQ(run.result, c.code);
        if (!c.err.empty()) {
            EXPECT_EQ(run.err, c.err);
        } else {
            EXPECT_EQ(UpdateErrorText, c.text);
        }
    }
    const UpdateRun unreachable = captured_run([&] { return update_spmmc(path.c_str(), unused_loopback_address().c_str()); });
    EXPECT_EQ(unreachable.result, -1);
    LoopbackSystem system(DeviceServiceOptions{});
    const std::string missing = resources.path("none.spmmc");
    const UpdateRun no_file = captured_run([&] { return update_spmmc(missing.c_str(), system.address.c_str()); });
    EXPECT_EQ(no_file.result, -2);
    EXPECT_EQ(no_file.out, "doing spmmc update with file : " + missing + "\n");
}

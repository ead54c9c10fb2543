// The update core against simulated systems, hostile peers and files that change: what
// update_system reports, and that it always ends.
#include "update/device_update.h"

#include <gtest/gtest.h>
#include "support/hostile_peer.h"
#include "support/loopback_system.h"
#include "support/soap_texts.h"
#include "support/temp_resources.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace talvo_sim;
using Clock = std::chrono::steady_clock;

namespace {

struct CoreRun {
    UpdateOutcome outcome;
    std::vector<UpdateProgress> progress;
    std::string out, err;
    double seconds = 0;
};

UpdateJob quick_job(const std::string& address, const std::string& firmware_path) {
    UpdateJob job;
    job.address = address;
    job.firmware_path = firmware_path;
    job.timings.reboot_wait_ms = 20;
    job.timings.dead_peer = DeadPeerTimings{1, 1, 2, 2000};
    return job;
}

// Runs the job on a thread of its own for at most `limit` seconds; an update still
// going then waits without end, and the test program stops rather than hang.
CoreRun bounded_update(const UpdateJob& job, int limit = 60) {
    auto done = std::make_shared<std::promise<CoreRun>>();
    auto result = done->get_future();
    std::thread([job, done] {
        CoreRun run;
        const auto start = Clock::now();
        run.outcome = update_system(
            job, [&run](const UpdateProgress& p) { run.progress.push_back(p); },
            [&run](DiagnosticStream stream, const std::string& line) {
                (stream == DiagnosticStream::Out ? run.out : run.err) += line;
            });
        run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        done->set_value(std::move(run));
    }).detach();
    if (result.wait_for(std::chrono::seconds(limit)) != std::future_status::ready) {
        std::fprintf(stderr, "the update still runs after %d s\n", limit);
        std::abort();
    }
    return result.get();
}

std::vector<UpdateStep> steps(const std::vector<UpdateProgress>& progress) {
    std::vector<UpdateStep> all;
    for (const UpdateProgress& p : progress)
        if (all.empty() || all.back() != p.step) all.push_back(p.step);
    return all;
}

// How and where an update ended, as one value to compare.
std::pair<UpdateStep, UpdateFailure> ended(const UpdateOutcome& outcome) { return {outcome.step, outcome.failure}; }

using S = UpdateStep;
using F = UpdateFailure;

class DeviceUpdateTest : public ::testing::Test {
protected:
    TempResources resources;
};

}  // namespace

// Two updates at once, each with its own connections, progress and outcome.
TEST_F(DeviceUpdateTest, TwoUpdatesAtOnceEachReachTheirOwnSystem) {
    const auto firmware_a = named_firmware("5.0.0", 300000, 21), firmware_b = named_firmware("5.0.1", 200000, 22);
    const auto file_system_b = pattern_bytes(70000, 23);
    resources.add("a.firm", firmware_a);
    resources.add("b.firm", firmware_b);
    resources.add("b.spmmc", file_system_b);
    DeviceServiceOptions options;
    options.install_delay_ms = 200;  // both installations overlap
    LoopbackSystem system_a(options), system_b(options);
    ASSERT_FALSE(system_a.address.empty());
    ASSERT_FALSE(system_b.address.empty());

    UpdateJob job_a = quick_job(system_a.address, resources.path("a.firm"));
    UpdateJob job_b = quick_job(system_b.address, resources.path("b.firm"));
    job_b.sd_board_path = resources.path("b.spmmc");
    auto a = std::async(std::launch::async, [&] { return bounded_update(job_a); });
    auto b = std::async(std::launch::async, [&] { return bounded_update(job_b); });
    const CoreRun run_a = a.get(), run_b = b.get();

    EXPECT_TRUE(run_a.outcome.updated()) << run_a.outcome.error_text;
    EXPECT_TRUE(run_b.outcome.updated()) << run_b.outcome.error_text;
    EXPECT_TRUE(system_a.service->installed_firmware() == firmware_a);
    EXPECT_TRUE(system_b.service->installed_firmware() == firmware_b);
    EXPECT_TRUE(system_b.service->installed_file_system() == file_system_b);
    EXPECT_TRUE(system_a.service->installed_file_system().empty());
    EXPECT_EQ(steps(run_a.progress), (std::vector<UpdateStep>{S::CheckingSystem, S::ResettingUpload,
                                                              S::UploadingFirmware, S::InstallingFirmware,
                                                              S::Rebooting, S::WaitingForRestart}));
    EXPECT_EQ(steps(run_b.progress),
              (std::vector<UpdateStep>{S::CheckingSystem, S::ResettingUpload, S::UploadingFirmware,
                                       S::InstallingFirmware, S::UploadingSdBoard, S::InstallingSdBoard,
                                       S::ValidatingSdBoard, S::Rebooting, S::WaitingForRestart}));
    EXPECT_EQ(system_a.service->request_log().back(), "ForceReboot");
    EXPECT_EQ(system_b.service->request_log().back(), "ForceReboot");
    EXPECT_EQ(run_a.err + run_b.err, "");
    EXPECT_EQ(run_b.out, "forcing reset of upload on the module\nUploading firmware file\nNow updating firmware\n"
                         "The system has an spmmc file\ndoing spmmc update with file : " +
                             resources.path("b.spmmc") + "\nUploading spmmc file\nNow updating spmmc\n"
                             "Try to validate the MMC \nNow rebooting\n");
}

// Each chunk reports the bytes sent so far of the file's size.
TEST_F(DeviceUpdateTest, ProgressCountsTheBytesOfEachFile) {
    resources.add("a.firm", pattern_bytes(65535 * 2 + 10, 24));
    resources.add("a.spmmc", pattern_bytes(100, 25));
    LoopbackSystem system(DeviceServiceOptions{});
    ASSERT_FALSE(system.address.empty());
    UpdateJob job = quick_job(system.address, resources.path("a.firm"));
    job.sd_board_path = resources.path("a.spmmc");
    const CoreRun run = bounded_update(job);
    ASSERT_TRUE(run.outcome.updated()) << run.outcome.error_text;
    std::vector<std::pair<uint64_t, uint64_t>> firmware, file_system;
    for (const UpdateProgress& p : run.progress) {
        if (p.step == S::UploadingFirmware) firmware.emplace_back(p.bytes_sent, p.bytes_total);
        if (p.step == S::UploadingSdBoard) file_system.emplace_back(p.bytes_sent, p.bytes_total);
    }
    const uint64_t size = 65535 * 2 + 10;
    EXPECT_EQ(firmware, (std::vector<std::pair<uint64_t, uint64_t>>{{0, size}, {65535, size}, {131070, size}, {size, size}}));
    EXPECT_EQ(file_system, (std::vector<std::pair<uint64_t, uint64_t>>{{0, 100}, {100, 100}}));
}

// A peer that never sends a whole reply: the call ends at its deadline, not before,
// with the step named.
TEST_F(DeviceUpdateTest, EveryReplyHasADeadline) {
    resources.add("a.firm", {1, 2, 3});
    const std::string answer = common_reply();
    struct Case {
        const char* what;
        HostilePeer::Behaviour behaviour;
    };
    const Case cases[] = {
        {"silent", hostile::silent()},
        {"a byte every 200 ms", hostile::drip(answer, 200)},
        {"half a reply", hostile::half_reply(answer)},
        {"100 Continue without end", hostile::endless_continue(20)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HostilePeer peer(c.behaviour);
        ASSERT_FALSE(peer.address().empty());
        UpdateJob job = quick_job(peer.address(), resources.path("a.firm"));
        job.timings.call_deadline_ms = 1500;
        const CoreRun run = bounded_update(job);
        EXPECT_EQ(ended(run.outcome), std::make_pair(S::CheckingSystem, F::CallFailed));
        EXPECT_EQ(run.outcome.error_text, "The system stopped answering during the check of the system");
        EXPECT_GE(run.seconds, 1.4);
        EXPECT_EQ(steps(run.progress), (std::vector<UpdateStep>{S::CheckingSystem}));
    }
}

// The installation gets the long deadline: a system silent past the call deadline is
// still waited for, and given up at the install deadline.
TEST_F(DeviceUpdateTest, InstallationHasTheLongDeadline) {
    resources.add("a.firm", pattern_bytes(1000, 26));
    DeviceServiceOptions options;
    options.faults = {fault(Operation::FirmwareUpdate, RequestKind::Closing, 0, FaultAction::Silence)};
    LoopbackSystem system(options);
    ASSERT_FALSE(system.address.empty());
    UpdateJob job = quick_job(system.address, resources.path("a.firm"));
    job.timings.call_deadline_ms = 500;
    job.timings.install_deadline_ms = 2500;
    const CoreRun run = bounded_update(job);
    EXPECT_EQ(ended(run.outcome), std::make_pair(S::InstallingFirmware, F::CallFailed));
    EXPECT_EQ(run.outcome.error_text, "The system stopped answering during the firmware installation");
    EXPECT_GE(run.seconds, 2.4);
    EXPECT_FALSE(system.service->firmware_installed());
}

// Replies that would take the runtime's memory, or its unsafe paths: each fails the
// call, never the program.
TEST_F(DeviceUpdateTest, HostileRepliesFailTheCall) {
    resources.add("a.firm", {1});
    const std::string too_large = "The system's reply was refused: larger than a Device Service reply can be";
    const std::string unreadable = "Error soap_call_TLCommon__GetModuleType";
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<e:Envelope xmlns:e=\"http://schemas."
                             "xmlsoap.org/soap/envelope/\"><e:Body>";
    std::string deep;
    for (int i = 0; i < 200; ++i) deep += "<a>";
    struct Case {
        const char* what;
        HostilePeer::Behaviour behaviour;
        std::string text;
    };
    const Case cases[] = {
        {"a 64 MB string", hostile::streamed(head + "<e:Fault><faultcode>e:Server</faultcode><faultstring>",
                                             "x", 64 << 20, "</faultstring></e:Fault></e:Body></e:Envelope>"),
         too_large},
        {"a string past the string limit", hostile::reply(fault_reply(std::string(100000, 's'))), too_large},
        {"an array of 800 million bytes declared",
         hostile::reply(reply("<c:ByteArrayResponse><sArray enc:arrayType=\"d:unsignedByte[800000000]\">"
                              "<item>1</item></sArray></c:ByteArrayResponse>")),
         ""},
        {"more items than a device text has",
         hostile::streamed(head + "<c:ByteArrayResponse xmlns:c=\"" TEST_SCHEMA_URI("TLCommon.xsd") "\"><sArray>",
                           "<item>1</item>", 900000, "</sArray></c:ByteArrayResponse></e:Body></e:Envelope>"),
         too_large},
        {"elements nested 200 deep", hostile::reply(reply(deep)), unreadable},
        {"a million attributes", hostile::streamed(head + "<a", " b=\"\"", 8 << 20, "/></e:Body></e:Envelope>"),
         unreadable},
        {"two elements with the same id",
         hostile::reply("<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">"
                        "<SOAP-ENV:Body><a id=\"x\"/><b id=\"x\"/></SOAP-ENV:Body></SOAP-ENV:Envelope>"),
         unreadable},
        {"a reference", hostile::reply(reply("<c:ByteArrayResponse><sArray href=\"#x\"/></c:ByteArrayResponse>"
                                             "<item id=\"x\">1</item>")),
         unreadable},
        {"a SOAP 1.2 reference", hostile::reply(reply("<c:ByteArrayResponse><sArray ref=\"x\"/></c:ByteArrayResponse>")),
         unreadable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HostilePeer peer(c.behaviour);
        ASSERT_FALSE(peer.address().empty());
        UpdateJob job = quick_job(peer.address(), resources.path("a.firm"));
        job.timings.call_deadline_ms = 20000;
        const CoreRun run = bounded_update(job);
        EXPECT_EQ(ended(run.outcome), std::make_pair(S::CheckingSystem, F::CallFailed));
        if (!c.text.empty()) {
            EXPECT_EQ(run.outcome.error_text, c.text);
        }
    }
}

// The file sent is the file chosen, whole, or nothing: a file that changes during its
// upload fails the update before the closing call would install it.
TEST_F(DeviceUpdateTest, FileThatChangesDuringItsUploadIsNeverInstalled) {
    struct Case {
        const char* what;
        std::function<void(const std::string& path)> change;
        std::string text;
        const char* path = nullptr;  // a given file instead of a new a.firm
    };
    const Case cases[] = {
        {"cut short", [](const std::string& path) { (void)!truncate(path.c_str(), 70000); },
         "Error, the file became shorter during the upload : "},
        {"still growing",
         [](const std::string& path) {
             FILE* f = std::fopen(path.c_str(), "ab");
             std::fputs("more", f);
             std::fclose(f);
         },
         "Error, the file changed during the upload : "},
        {"rewritten in place",
         [](const std::string& path) {
             FILE* f = std::fopen(path.c_str(), "r+b");
             std::fputs("other", f);
             std::fclose(f);
         },
         "Error, the file changed during the upload : "},
        // A regular file whose size says 0 but that has content: an empty firmware would
        // be installed if the bytes past the size went unread.
        {"a size that lies", [](const std::string&) {}, "Error, the file changed during the upload : ",
         "/proc/version"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        resources.add("a.firm", pattern_bytes(5 * 65535, 27));
        const std::string path = c.path ? c.path : resources.path("a.firm");
        DeviceServiceOptions options;
        auto changed = std::make_shared<bool>(false);
        options.on_request = [&, changed](const Request& request) {
            if (request.kind == RequestKind::Chunk && !*changed) {
                *changed = true;
                c.change(path);
            }
        };
        LoopbackSystem system(options);
        ASSERT_FALSE(system.address.empty());
        const CoreRun run = bounded_update(quick_job(system.address, path));
        EXPECT_EQ(ended(run.outcome), std::make_pair(S::UploadingFirmware, F::FileUnusable));
        EXPECT_EQ(run.outcome.error_text, c.text + path);
        EXPECT_EQ(run.err, c.text + path + "\n");
        EXPECT_FALSE(system.service->firmware_installed());
        const auto log = system.service->request_log();
        EXPECT_EQ(std::count(log.begin(), log.end(), "FirmwareUpdate Closing"), 0);
    }
}

// A stop asked before the installing call drops the update there, with nothing
// installed; asked from that call on, the sequence still reaches its reboot request.
TEST_F(DeviceUpdateTest, AStopIsHonouredOnlyBeforeTheInstallation) {
    resources.add("a.firm", pattern_bytes(5 * 65535, 28));
    struct Case {
        const char* what;
        Operation operation;
        RequestKind kind;  // the stop comes as this request reaches the system
        int occurrence;
        bool updated;
        UpdateStep step;
    };
    const Case cases[] = {
        {"before it began", Operation::Unknown, RequestKind::Plain, 0, false, S::CheckingSystem},
        {"during the upload", Operation::FirmwareUpdate, RequestKind::Chunk, 2, false, S::UploadingFirmware},
        {"during the installation", Operation::FirmwareUpdate, RequestKind::Closing, 0, true, S::WaitingForRestart},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto gate = std::make_shared<InstallGate>();
        if (c.operation == Operation::Unknown) gate->request_stop();
        auto seen = std::make_shared<int>(0);
        DeviceServiceOptions options;
        options.on_request = [c, gate, seen](const Request& request) {
            if (request.operation == c.operation && request.kind == c.kind && (*seen)++ == c.occurrence)
                gate->request_stop();
        };
        LoopbackSystem system(options);
        ASSERT_FALSE(system.address.empty());
        UpdateJob job = quick_job(system.address, resources.path("a.firm"));
        job.gate = gate.get();
        const CoreRun run = bounded_update(job);
        EXPECT_EQ(run.outcome.updated(), c.updated) << run.outcome.error_text;
        EXPECT_EQ(run.outcome.step, c.step);
        const auto log = system.service->request_log();
        EXPECT_EQ(std::count(log.begin(), log.end(), "FirmwareUpdate Closing"), c.updated ? 1 : 0);
        EXPECT_EQ(std::count(log.begin(), log.end(), "ForceReboot"), c.updated ? 1 : 0);
        EXPECT_EQ(run.outcome.failure, c.updated ? F::None : F::Interrupted);
        EXPECT_FALSE(gate->installing()) << "the gate is left once the update ends";
    }
}

// Which came first decides: a stop before the installing call wins, one after it waits
// for the reboot request; the answer never depends on anything else.
TEST(InstallGate, TheFirstOfStopAndInstallationWins) {
    enum Event { Stop, Enter, Leave };
    struct Case {
        std::vector<Event> events;
        std::vector<bool> answers;  // of each event: request_stop's, enter_installation's, true for Leave
        bool stopped, installing;
    };
    const Case cases[] = {
        {{Stop}, {true}, true, false},
        {{Stop, Enter}, {true, false}, true, false},
        {{Enter}, {true}, false, true},
        {{Enter, Stop}, {true, false}, false, true},
        {{Enter, Stop, Stop}, {true, false, false}, false, true},
        {{Enter, Leave, Stop}, {true, true, true}, false, false},
        {{Leave, Stop}, {true, true}, true, false},  // an update that ended before installing
        {{Stop, Stop}, {true, true}, true, false},
        {{Stop, Leave, Enter}, {true, true, false}, true, false},
    };
    for (const Case& c : cases) {
        InstallGate gate;
        std::vector<bool> answers;
        for (Event e : c.events) {
            if (e == Stop) answers.push_back(gate.request_stop());
            if (e == Enter) answers.push_back(gate.enter_installation());
            if (e == Leave) answers.push_back((gate.leave_installation(), true));
        }
        const size_t line = static_cast<size_t>(&c - cases);
        EXPECT_EQ(answers, c.answers) << "case " << line;
        EXPECT_EQ(gate.stopped(), c.stopped) << "case " << line;
        EXPECT_EQ(gate.installing(), c.installing) << "case " << line;
        EXPECT_EQ(gate.abandon_flag()->load(), c.stopped) << "case " << line;
    }
}

// Only regular files are opened: a FIFO would block the open, a device never ends.
TEST_F(DeviceUpdateTest, FilesThatAreNotRegularAreRefusedAtOnce) {
    const std::string fifo = resources.path("fifo.firm"), zero = resources.path("zero.firm");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(symlink("/dev/zero", zero.c_str()), 0);
    resources.add("ok.firm", {1, 2});
    for (const std::string& path : {fifo, zero}) {
        SCOPED_TRACE(path);
        LoopbackSystem system(DeviceServiceOptions{});
        ASSERT_FALSE(system.address.empty());
        const CoreRun run = bounded_update(quick_job(system.address, path), 30);
        EXPECT_EQ(ended(run.outcome), std::make_pair(S::UploadingFirmware, F::FileUnusable));
        EXPECT_EQ(run.outcome.error_text, "Error, not a regular file : " + path);
        EXPECT_FALSE(system.service->firmware_installed());
    }
    // The SD board file likewise, after the firmware was installed: no reboot is asked.
    LoopbackSystem system(DeviceServiceOptions{});
    ASSERT_FALSE(system.address.empty());
    UpdateJob job = quick_job(system.address, resources.path("ok.firm"));
    job.sd_board_path = fifo;
    const CoreRun run = bounded_update(job, 30);
    EXPECT_EQ(ended(run.outcome), std::make_pair(S::UploadingSdBoard, F::FileUnusable));
    EXPECT_EQ(run.outcome.error_text, "Error, not a regular file : " + fifo);
    EXPECT_EQ(system.service->request_log().back(), "FirmwareUpdate Closing");
}

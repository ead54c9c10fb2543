// A system that dies in the middle of an update ends it with "Impossible to access the
// system" instead of a wait without end, while a live system that stays silent for a
// long installation is never cut. The vanishing systems need network namespaces (root);
// those tests skip without them.
#include "core_link/update_seams.h"
#include "core_link/update_sequence.h"
#include "core_link/update_status.h"
#include "support/netns_pair.h"
#include "support/scripted_peer.h"
#include "support/update_fixture.h"
#include "update/dead_peer.h"
#include "update/device_connection.h"

#include <stdsoap2.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <thread>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

using namespace talvo_sim;
using Clock = std::chrono::steady_clock;

namespace {

int socket_option(int fd, int level, int name) {
    int value = -1;
    socklen_t size = sizeof value;
    getsockopt(fd, level, name, &value, &size);
    return value;
}

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs f on a thread of its own for at most `limit` seconds. A run still going then is
// a tool waiting without end: the test program stops there rather than hang.
UpdateRun bounded_run(const std::function<UpdateRun()>& f, int limit) {
    auto done = std::make_shared<std::promise<UpdateRun>>();
    auto result = done->get_future();
    std::thread([f, done] { done->set_value(f()); }).detach();
    if (result.wait_for(std::chrono::seconds(limit)) != std::future_status::ready) {
        std::fprintf(stderr, "the update still waits after %d s: a dead system was not found\n", limit);
        std::abort();
    }
    return result.get();
}

// A system in the system namespace that vanishes (its link cut) when `rule` or the byte
// count says so; the update runs from the tool namespace.
struct VanishingRun {
    UpdateRun run;
    double seconds = 0;
};

VanishingRun update_until_vanished(const NetnsPair& pair, const std::string& path, DeviceServiceOptions options,
                                   int limit) {
    options.on_vanish = [&pair] { pair.cut_link(); };
    DeviceService service(options);
    int started = -1;
    pair.in_system([&] { started = service.start(NetnsPair::SystemAddress, 5555); });
    VanishingRun result;
    if (started != 0) {
        ADD_FAILURE() << "the simulated system did not start: " << started;
        return result;
    }
    const auto start = Clock::now();
    result.run = bounded_run(
        [&] {
            UpdateRun run;
            pair.in_tool([&] {
                run = captured_run([&] { return run_firmware_update("v.firm", path.c_str(), NetnsPair::SystemAddress); });
            });
            return run;
        },
        limit);
    result.seconds = seconds_since(start);
    return result;
}

class DeadPeerTest : public UpdateTest {};

}  // namespace

TEST_F(DeadPeerTest, RealSettingsAreOnEveryConnection) {
    DeadPeerSettings = RealDeadPeerTimings;
    ScriptedPeer peer({});
    ASSERT_FALSE(peer.address().empty());
    DeviceConnection connection;
    ASSERT_EQ(connection.open(peer.address().c_str()), 0);
    const int fd = connection.context()->socket;
    EXPECT_EQ(socket_option(fd, SOL_SOCKET, SO_KEEPALIVE), 1);
    EXPECT_EQ(socket_option(fd, IPPROTO_TCP, TCP_KEEPIDLE), 30);
    EXPECT_EQ(socket_option(fd, IPPROTO_TCP, TCP_KEEPINTVL), 10);
    EXPECT_EQ(socket_option(fd, IPPROTO_TCP, TCP_KEEPCNT), 6);
    EXPECT_EQ(socket_option(fd, IPPROTO_TCP, TCP_USER_TIMEOUT), 90000);
}

// Probes every second, dead after two: a live system silent for three times as long
// still holds the update, which ends only when the system goes away.
TEST_F(DeadPeerTest, LiveSystemSilentWhileInstallingIsNeverCut) {
    resources.add("a.firm", {1, 2, 3});
    DeviceServiceOptions options;
    options.faults = {fault(Operation::FirmwareUpdate, RequestKind::Closing, 0, FaultAction::Silence)};
    LoopbackSystem system(options);
    ASSERT_FALSE(system.address.empty());
    const std::string path = resources.path("a.firm");
    const std::string address = system.address;
    std::thread goes_away([&] {
        std::this_thread::sleep_for(std::chrono::seconds(6));
        EXPECT_EQ(UpdateStatus.load(), 4);  // still installing
        system.service->stop();             // the system goes away: its connections close
    });
    const auto start = Clock::now();
    const UpdateRun run = bounded_run(
        [&] { return captured_run([&] { return run_firmware_update("a.firm", path.c_str(), address.c_str()); }); },
        20);
    EXPECT_GE(seconds_since(start), 5.9);  // ended by the system's going, not before
    goes_away.join();
    EXPECT_EQ(run.result, -9);
    EXPECT_STREQ(UpdateErrorText, "Impossible to access the system");
}

TEST_F(DeadPeerTest, SystemVanishingWhileInstallingIsFoundDead) {
    std::string why;
    const auto pair = NetnsPair::create(why);
    if (!pair) GTEST_SKIP() << why;
    resources.add("v.firm", pattern_bytes(1000, 8));
    DeviceServiceOptions options;
    options.faults = {fault(Operation::FirmwareUpdate, RequestKind::Closing, 0, FaultAction::Vanish)};
    const VanishingRun v = update_until_vanished(*pair, resources.path("v.firm"), options, 30);
    EXPECT_EQ(v.run.result, -9) << v.run.err;
    EXPECT_STREQ(UpdateErrorText, "Impossible to access the system");
    EXPECT_GT(v.seconds, 1.5);  // not before the probes went unanswered
    EXPECT_LT(v.seconds, 20);
}

// The system vanishes with the second chunk half received: the chunk's data stays
// unacknowledged, which TCP_USER_TIMEOUT ends.
TEST_F(DeadPeerTest, SystemVanishingMidUploadIsFoundDead) {
    std::string why;
    const auto pair = NetnsPair::create(why);
    if (!pair) GTEST_SKIP() << why;
    resources.add("v.firm", pattern_bytes(3 * 65535, 9));
    DeviceServiceOptions options;
    options.vanish_after_bytes = 1500000;  // about half of the second chunk's XML
    const VanishingRun v = update_until_vanished(*pair, resources.path("v.firm"), options, 30);
    EXPECT_EQ(v.run.result, -7) << v.run.err;
    EXPECT_STREQ(UpdateErrorText, "Impossible to access the system");
    EXPECT_LT(v.seconds, 20);
}

// The real timings, once: a system vanishing while installing is given up within two
// minutes, and not before a minute of silence.
TEST_F(DeadPeerTest, RealTimingsGiveUpOnAVanishedSystemWithinTwoMinutes) {
    std::string why;
    const auto pair = NetnsPair::create(why);
    if (!pair) GTEST_SKIP() << why;
    DeadPeerSettings = RealDeadPeerTimings;
    resources.add("v.firm", pattern_bytes(1000, 10));
    DeviceServiceOptions options;
    options.faults = {fault(Operation::FirmwareUpdate, RequestKind::Closing, 0, FaultAction::Vanish)};
    const VanishingRun v = update_until_vanished(*pair, resources.path("v.firm"), options, 150);
    EXPECT_EQ(v.run.result, -9) << v.run.err;
    EXPECT_STREQ(UpdateErrorText, "Impossible to access the system");
    EXPECT_GT(v.seconds, 60);
    EXPECT_LT(v.seconds, 120);
}

// The real timings on a system vanishing with a chunk half received: the chunk's data
// stays unacknowledged and TCP_USER_TIMEOUT gives the system up after a minute and a
// half. The call deadline is set beyond that here, so the watch alone ends the call.
TEST_F(DeadPeerTest, RealTimingsGiveUpOnUnacknowledgedDataWithinTwoMinutes) {
    std::string why;
    const auto pair = NetnsPair::create(why);
    if (!pair) GTEST_SKIP() << why;
    DeadPeerSettings = RealDeadPeerTimings;
    CallDeadlineMs = 10 * 60 * 1000;
    resources.add("v.firm", pattern_bytes(3 * 65535, 12));
    DeviceServiceOptions options;
    options.vanish_after_bytes = 1500000;
    const VanishingRun v = update_until_vanished(*pair, resources.path("v.firm"), options, 150);
    EXPECT_EQ(v.run.result, -7) << v.run.err;
    EXPECT_STREQ(UpdateErrorText, "Impossible to access the system");
    EXPECT_GT(v.seconds, 80);
    EXPECT_LT(v.seconds, 120);
}

// One run keeps the real wait after the reboot request.
TEST_F(DeadPeerTest, RealWaitAfterTheRebootIsThirtySeconds) {
    RebootWaitMs = RealRebootWaitMs;
    resources.add("a.firm", {1});
    LoopbackSystem system(DeviceServiceOptions{});
    ASSERT_FALSE(system.address.empty());
    const auto start = Clock::now();
    const UpdateRun run = run_update("a.firm", system.address);
    const double seconds = seconds_since(start);
    EXPECT_EQ(run.result, 0);
    EXPECT_GE(seconds, 30.0);
    EXPECT_LT(seconds, 40.0);
}

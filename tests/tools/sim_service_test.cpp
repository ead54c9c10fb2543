// The simulated system's Device Service as the tool meets it on a connection.
#include "support/loopback_system.h"
#include "support/soap_texts.h"
#include "support/temp_resources.h"
#include "update/device_calls.h"
#include "update/device_connection.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <netinet/in.h>
#include <poll.h>
#include <thread>
#include <sys/socket.h>
#include <unistd.h>

using namespace talvo_sim;

namespace {

int connect_to(const std::string& address) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(5555);
    inet_pton(AF_INET, address.c_str(), &where.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Sends text and reads the reply up to the envelope's end tag (at most 5 s).
std::string ask(int fd, const std::string& text) {
    send(fd, text.data(), text.size(), MSG_NOSIGNAL);
    std::string got;
    char buffer[4096];
    pollfd p{fd, POLLIN, 0};
    while (got.find("</SOAP-ENV:Envelope>") == std::string::npos && poll(&p, 1, 5000) > 0) {
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        got.append(buffer, static_cast<size_t>(n));
    }
    return got;
}

}  // namespace

TEST(SimService, MalformedRequestGetsAClientFaultAndTheConnectionStays) {
    LoopbackSystem system(DeviceServiceOptions{});
    ASSERT_FALSE(system.address.empty());
    const int fd = connect_to(system.address);
    ASSERT_GE(fd, 0);
    const std::string fault = ask(fd, request("<TLCommonPrivate:FirmwareUpdate><ulEOF>2</ulEOF>"
                                                   "</TLCommonPrivate:FirmwareUpdate>"));
    EXPECT_NE(fault.find("<faultcode>SOAP-ENV:Client</faultcode><faultstring>ulEOF is neither 0 nor 1"),
              std::string::npos) << fault;
    const std::string answer = ask(fd, request("<TLCommon:GetModuleType></TLCommon:GetModuleType>"));
    EXPECT_NE(answer.find("<TLCommon:ByteArrayResponse>"), std::string::npos) << answer;
    close(fd);
}

TEST(SimService, ResetDropsThePendingUploadAndIsRefused) {
    LoopbackSystem system(DeviceServiceOptions{});
    ASSERT_FALSE(system.address.empty());
    DeviceConnection connection;
    ASSERT_EQ(connection.open(system.address.c_str()), 0);
    unsigned char bytes[] = {1, 2, 3};
    DeviceReply reply;
    ASSERT_EQ(call_firmware_update(connection, bytes, 3, 0, reply), 0);
    EXPECT_EQ(reply.iReturnValue, 0);
    ASSERT_EQ(call_firmware_update_empty(connection, 1, reply), 0);
    EXPECT_NE(reply.iReturnValue, 0);
    EXPECT_EQ(reply.text, "Nothing to install: the upload is empty");
    ASSERT_EQ(call_firmware_update(connection, nullptr, 0, 1, reply), 0);
    EXPECT_EQ(reply.iReturnValue, 0);
    EXPECT_TRUE(system.service->firmware_installed());
    EXPECT_TRUE(system.service->installed_firmware().empty());  // the chunk went with the reset
}

TEST(SimService, HttpHeaderBeforeEachReplyWhenAskedFor) {
    DeviceServiceOptions options;
    options.http_header = true;
    options.module_type = "TLV-220S";
    LoopbackSystem system(options);
    ASSERT_FALSE(system.address.empty());
    DeviceConnection connection;
    ASSERT_EQ(connection.open(system.address.c_str()), 0);
    DeviceReply reply;
    for (int call = 0; call < 2; ++call) {
        ASSERT_EQ(call_get_module_type(connection, reply), 0);
        EXPECT_EQ(reply.text, "TLV-220S");
    }
}

TEST(SimService, RebootIsSilentThenReportsTheInstalledFirmware) {
    std::mutex mutex;
    std::condition_variable rebooted;
    std::string firmware;
    DeviceServiceOptions options;
    options.reboot_silence_ms = 500;
    options.on_rebooted = [&](const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex);
        firmware = text;
        rebooted.notify_all();
    };
    LoopbackSystem system(options);
    ASSERT_FALSE(system.address.empty());
    EXPECT_EQ(system.service->firmware(), "3.1.0");
    {
        DeviceConnection connection;
        ASSERT_EQ(connection.open(system.address.c_str()), 0);
        std::vector<unsigned char> image = named_firmware("9.9.9", 1000, 11);
        DeviceReply reply;
        ASSERT_EQ(call_firmware_update(connection, image.data(), 1000, 0, reply), 0);
        ASSERT_EQ(call_firmware_update(connection, nullptr, 0, 1, reply), 0);
        ASSERT_EQ(call_force_reboot(connection, reply), 0);
        EXPECT_EQ(reply.iReturnValue, 0);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(connect_to(system.address), -1);  // nobody listens while it restarts
    std::unique_lock<std::mutex> lock(mutex);
    ASSERT_TRUE(rebooted.wait_for(lock, std::chrono::seconds(5), [&] { return !firmware.empty(); }));
    EXPECT_EQ(firmware, "9.9.9");
    EXPECT_EQ(system.service->firmware(), "9.9.9");
    EXPECT_EQ(system.service->reboots(), 1);
    const int fd = connect_to(system.address);
    EXPECT_GE(fd, 0);
    if (fd >= 0) close(fd);
}

// Unplugged, the service takes no connection and drops the ones it has; plugged in
// again, it listens again.
TEST(SimService, UnpluggedItRefusesAndDropsPluggedInAgainItListens) {
    DeviceServiceOptions options;
    options.present = false;
    LoopbackSystem system(options);
    ASSERT_FALSE(system.address.empty());
    auto connects = [&] {
        const int fd = connect_to(system.address);
        return fd >= 0 && close(fd) == 0;
    };
    auto within_10s = [](const std::function<bool()>& done) {
        for (int i = 0; i < 500 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return done();
    };
    EXPECT_FALSE(connects()) << "not plugged in yet";
    system.service->set_present(true);
    ASSERT_TRUE(within_10s(connects));
    const int held = connect_to(system.address);
    ASSERT_GE(held, 0);
    const std::string answer = ask(held, request("<TLCommon:GetModuleType></TLCommon:GetModuleType>"));
    ASSERT_NE(answer.find("<TLCommon:ByteArrayResponse>"), std::string::npos) << "served, not only queued";
    system.service->set_present(false);
    char byte;
    pollfd p{held, POLLIN, 0};
    const bool shut = poll(&p, 1, 10000) == 1 && recv(held, &byte, 1, MSG_DONTWAIT) <= 0;
    close(held);
    EXPECT_TRUE(shut) << "its connection is shut";
    EXPECT_TRUE(within_10s([&] { return !connects(); }));
    system.service->set_present(true);
    EXPECT_TRUE(within_10s(connects));
}

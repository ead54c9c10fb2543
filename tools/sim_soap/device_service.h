// A Talvo system's Device Service for tests and the simulator: SOAP 1.1 envelopes bare
// on TCP (port 5555 on a system), one reply per request on a connection that stays
// open. It keeps what the tool uploads, installs it on the closing call, validates the
// SD board file system, and reboots: silent for a while, then it reports the new
// firmware. Faults can be asked for, request by request.
//
//   talvo_sim::DeviceServiceOptions options;
//   options.on_rebooted = [&](const std::string& firmware) { ...answer IDENT with it... };
//   talvo_sim::DeviceService service(options);
//   if (service.start("198.51.100.11", 5555) != 0) ...;
//
// Hooks run on the service's own threads.
#pragma once

#include "device_operations.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace talvo_sim {

// What the service does instead of its usual answer.
enum class FaultAction {
    Refuse,     // answer with iReturnValue `code`, syserrno `syserrno` and `text` in sArray
    Accept,     // answer iReturnValue 0 where it would refuse (the reset of an upload)
    SoapFault,  // answer with a SOAP fault whose faultstring is `text`
    Drop,       // close the connection without an answer
    Silence,    // never answer again on this connection, which stays open
    Vanish,     // call on_vanish (a test takes the host off the network), then Silence
};

struct FaultRule {
    Operation operation = Operation::Unknown;
    RequestKind kind = RequestKind::Plain;  // Plain matches any kind of the operation
    int occurrence = 0;                     // the n-th matching request, from 0; -1 every one
    FaultAction action = FaultAction::Refuse;
    std::string text;
    int32_t code = 1;
    int32_t syserrno = 0;
};

struct DeviceServiceOptions {
    std::string module_type = "TLV-100";
    std::string firmware = "3.1.0";        // the firmware text until an update is rebooted into
    int install_delay_ms = 0;              // the closing FirmwareUpdate lasts this long
    int file_system_install_delay_ms = 0;  // the closing MMCUpdate
    int chunk_delay_ms = 0;                // each uploaded chunk is taken this long
    int reboot_silence_ms = 1000;          // after ForceReboot: no listener, no answer
    bool http_header = false;              // an HTTP response header before each reply
    bool present = true;                   // false: start() listens only after set_present(true)
    std::vector<FaultRule> faults;
    // After this many bytes received in all (0: never), on_vanish runs and the service
    // reads and answers nothing more: a system that dies in the middle of a request.
    size_t vanish_after_bytes = 0;
    // When set, every byte received on connection N (from 1) is kept in the file
    // record_prefix + "-N.bin", to compare what two programs sent.
    std::string record_prefix;

    std::function<void()> on_vanish;
    // Each decoded request, before it is answered.
    std::function<void(const Request&)> on_request;
    // The reboot is over; the firmware text the system now reports.
    std::function<void(const std::string& firmware)> on_rebooted;
    // The firmware text of an installed image; default: firmware_text_of.
    std::function<std::string(const std::vector<uint8_t>& image)> firmware_text;
};

// "TALVOFW <text>\n" at the start of the image names it; otherwise "image-" and eight
// hex digits of the image's FNV-1a hash.
std::string firmware_text_of(const std::vector<uint8_t>& image);

class DeviceService {
public:
    explicit DeviceService(DeviceServiceOptions options = {});
    ~DeviceService();
    DeviceService(const DeviceService&) = delete;
    DeviceService& operator=(const DeviceService&) = delete;

    // Listens on address:port (port 0: any free one) and serves until stop(). 0, or the
    // errno that stopped it. A service starts once.
    int start(const std::string& address, uint16_t port = 5555);
    void stop();
    uint16_t port() const;

    // Off the network (no listener, its connections shut) or back on it (listening
    // again), as a cable pulled and plugged in again; what the system holds stays.
    // Takes effect on the service's thread, after a reboot in progress.
    void set_present(bool present);

    // What the tool has done, for tests to compare.
    std::vector<uint8_t> installed_firmware() const;     // the last installed image
    std::vector<uint8_t> installed_file_system() const;  // the last installed SD board image
    bool firmware_installed() const;
    bool file_system_validated() const;
    std::string firmware() const;                 // the firmware text it reports now
    std::vector<std::string> request_log() const;  // "FirmwareUpdate Chunk 65535", ...
    int reboots() const;
    int connections_accepted() const;
    size_t bytes_outside_envelopes() const;       // anything sent before or after a request

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace talvo_sim

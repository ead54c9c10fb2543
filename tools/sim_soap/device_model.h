// What a Talvo system does with each Device Service request: keeps the uploaded chunks,
// installs them on the closing call, validates the SD board file system, reboots into
// what it installed; and the faults the options ask for. Not thread-safe: the service
// holds a lock around it.
#pragma once

#include "device_service.h"

#include <cstdint>
#include <string>
#include <vector>

namespace talvo_sim {

struct Answer {
    enum class Kind { Reply, Fault, Drop, Silence, Vanish };
    Kind kind = Kind::Reply;
    int32_t return_value = 0;
    int32_t syserrno = 0;
    std::string text;  // sArray, or the fault string
    std::string fault_code = "SOAP-ENV:Server";
    int delay_ms = 0;     // the reply comes this much later (an installation)
    bool reboot = false;  // once the reply is sent
};

class DeviceModel {
public:
    explicit DeviceModel(const DeviceServiceOptions& options);

    Answer answer(const Request& request);
    // The reboot is over: the system runs what it installed. Its firmware text.
    std::string finish_reboot();

    const std::vector<uint8_t>& installed_firmware() const { return installed_firmware_; }
    const std::vector<uint8_t>& installed_file_system() const { return installed_file_system_; }
    bool firmware_installed() const { return firmware_installed_; }
    bool file_system_validated() const { return file_system_validated_; }
    const std::string& firmware() const { return firmware_; }
    const std::vector<std::string>& log() const { return log_; }
    int reboots() const { return reboots_; }

private:
    const FaultRule* fault_for(const Request& request);
    Answer faulty_answer(const FaultRule& rule, const Request& request);
    Answer usual_answer(const Request& request);
    Answer firmware_update(const Request& request);
    Answer mmc_update(const Request& request);
    Answer mmc_validate();
    Answer chunk_taken() const;

    std::string module_type_;
    std::string firmware_;
    int install_delay_ms_;
    int file_system_install_delay_ms_;
    int chunk_delay_ms_;
    std::vector<FaultRule> faults_;
    std::vector<int> matches_;  // requests each fault rule has matched so far
    std::function<std::string(const std::vector<uint8_t>&)> firmware_text_;

    std::vector<uint8_t> pending_firmware_;
    std::vector<uint8_t> installed_firmware_;
    bool firmware_installed_ = false;
    bool boot_new_firmware_ = false;
    std::vector<uint8_t> pending_file_system_;
    std::vector<uint8_t> installed_file_system_;
    bool file_system_installed_ = false;
    bool file_system_validated_ = false;
    std::vector<std::string> log_;
    int reboots_ = 0;
};

}  // namespace talvo_sim

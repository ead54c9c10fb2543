#include "device_model.h"

#include <algorithm>
#include <cstdio>

namespace talvo_sim {

namespace {

Answer reply(int32_t return_value, std::string text) {
    Answer answer;
    answer.return_value = return_value;
    answer.text = std::move(text);
    return answer;
}

std::string log_line(const Request& request) {
    std::string line = operation_name(request.operation);
    if (request.kind != RequestKind::Plain) line += std::string(" ") + request_kind_name(request.kind);
    if (request.kind == RequestKind::Chunk) line += " " + std::to_string(request.bytes.size());
    return line;
}

}  // namespace

const char* operation_name(Operation operation) {
    switch (operation) {
    case Operation::GetModuleType: return "GetModuleType";
    case Operation::FirmwareUpdate: return "FirmwareUpdate";
    case Operation::MMCUpdate: return "MMCUpdate";
    case Operation::MMCValidate: return "MMCValidate";
    case Operation::ForceReboot: return "ForceReboot";
    default: return "Unknown";
    }
}

const char* request_kind_name(RequestKind kind) {
    switch (kind) {
    case RequestKind::Chunk: return "Chunk";
    case RequestKind::Closing: return "Closing";
    case RequestKind::Reset: return "Reset";
    default: return "Plain";
    }
}

std::string firmware_text_of(const std::vector<uint8_t>& image) {
    static const std::string tag = "TALVOFW ";
    if (image.size() > tag.size() && std::equal(tag.begin(), tag.end(), image.begin())) {
        std::string text;
        for (size_t i = tag.size(); i < image.size() && image[i] != '\n' && text.size() < 31; ++i) {
            if (image[i] < 0x21 || image[i] > 0x7E) break;  // one word of printable text
            text += static_cast<char>(image[i]);
        }
        if (!text.empty()) return text;
    }
    uint32_t hash = 2166136261u;  // FNV-1a
    for (uint8_t byte : image) hash = (hash ^ byte) * 16777619u;
    char text[16];
    std::snprintf(text, sizeof text, "image-%08x", hash);
    return text;
}

DeviceModel::DeviceModel(const DeviceServiceOptions& options)
    : module_type_(options.module_type),
      firmware_(options.firmware),
      install_delay_ms_(options.install_delay_ms),
      file_system_install_delay_ms_(options.file_system_install_delay_ms),
      chunk_delay_ms_(options.chunk_delay_ms),
      faults_(options.faults),
      matches_(options.faults.size(), 0),
      firmware_text_(options.firmware_text ? options.firmware_text : firmware_text_of) {}

Answer DeviceModel::answer(const Request& request) {
    if (!request.malformed.empty()) {
        log_.push_back("Malformed: " + request.malformed);
        Answer answer;
        answer.kind = Answer::Kind::Fault;
        answer.fault_code = "SOAP-ENV:Client";
        answer.text = request.malformed;
        return answer;
    }
    log_.push_back(log_line(request));
    if (const FaultRule* rule = fault_for(request)) return faulty_answer(*rule, request);
    return usual_answer(request);
}

// Every rule that matches counts the request; the first one due acts.
const FaultRule* DeviceModel::fault_for(const Request& request) {
    const FaultRule* due = nullptr;
    for (size_t i = 0; i < faults_.size(); ++i) {
        const FaultRule& rule = faults_[i];
        if (rule.operation != request.operation) continue;
        if (rule.kind != RequestKind::Plain && rule.kind != request.kind) continue;
        const int seen = matches_[i]++;
        if (!due && (rule.occurrence < 0 || rule.occurrence == seen)) due = &rule;
    }
    return due;
}

Answer DeviceModel::faulty_answer(const FaultRule& rule, const Request& request) {
    Answer answer;
    switch (rule.action) {
    case FaultAction::Refuse:
        answer.return_value = rule.code;
        answer.syserrno = rule.syserrno;
        answer.text = rule.text;
        return answer;
    case FaultAction::Accept:
        answer = usual_answer(request);
        answer.return_value = 0;
        answer.text.clear();
        return answer;
    case FaultAction::SoapFault:
        answer.kind = Answer::Kind::Fault;
        answer.text = rule.text;
        return answer;
    case FaultAction::Drop: answer.kind = Answer::Kind::Drop; return answer;
    case FaultAction::Silence: answer.kind = Answer::Kind::Silence; return answer;
    case FaultAction::Vanish: answer.kind = Answer::Kind::Vanish; return answer;
    }
    return answer;
}

Answer DeviceModel::usual_answer(const Request& request) {
    switch (request.operation) {
    case Operation::GetModuleType: return reply(0, module_type_);
    case Operation::FirmwareUpdate: return firmware_update(request);
    case Operation::MMCUpdate: return mmc_update(request);
    case Operation::MMCValidate: return mmc_validate();
    case Operation::ForceReboot: {
        Answer answer = reply(0, "");
        answer.reboot = true;
        return answer;
    }
    default: return reply(1, "Unknown request");
    }
}

Answer DeviceModel::firmware_update(const Request& request) {
    switch (request.kind) {
    case RequestKind::Chunk:
        pending_firmware_.insert(pending_firmware_.end(), request.bytes.begin(), request.bytes.end());
        return chunk_taken();
    case RequestKind::Reset:  // an empty upload is never installed: whatever was pending goes
        pending_firmware_.clear();
        return reply(1, "Nothing to install: the upload is empty");
    default: {
        installed_firmware_ = std::move(pending_firmware_);
        pending_firmware_.clear();
        firmware_installed_ = true;
        boot_new_firmware_ = true;
        Answer answer = reply(0, "");
        answer.delay_ms = install_delay_ms_;
        return answer;
    }
    }
}

Answer DeviceModel::mmc_update(const Request& request) {
    if (request.kind == RequestKind::Chunk) {
        pending_file_system_.insert(pending_file_system_.end(), request.bytes.begin(),
                                    request.bytes.end());
        return chunk_taken();
    }
    installed_file_system_ = std::move(pending_file_system_);
    pending_file_system_.clear();
    file_system_installed_ = true;
    file_system_validated_ = false;
    Answer answer = reply(0, "");
    answer.delay_ms = file_system_install_delay_ms_;
    return answer;
}

Answer DeviceModel::chunk_taken() const {
    Answer answer = reply(0, "");
    answer.delay_ms = chunk_delay_ms_;
    return answer;
}

Answer DeviceModel::mmc_validate() {
    if (!file_system_installed_) return reply(1, "No SD board file system to validate");
    file_system_validated_ = true;
    return reply(0, "");
}

std::string DeviceModel::finish_reboot() {
    ++reboots_;
    pending_firmware_.clear();
    pending_file_system_.clear();
    if (boot_new_firmware_) firmware_ = firmware_text_(installed_firmware_);
    boot_new_firmware_ = false;
    return firmware_;
}

}  // namespace talvo_sim

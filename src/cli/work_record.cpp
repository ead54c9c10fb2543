#include "cli/work_record.h"

#include "cli/json_text.h"
#include "cli/targets.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

std::string hex(const uint8_t* bytes, size_t size) {
    std::string text;
    char pair[3];
    for (size_t i = 0; i < size; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
        text += pair;
    }
    return text;
}

std::string base_name(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string file_json(const std::optional<FileFacts>& file) {
    if (!file) return "null";
    if (!file->sent_whole) return "{\"name\": " + json_string(file->name) + ", \"size\": null, \"sha256\": null}";
    return "{\"name\": " + json_string(file->name) + ", \"size\": " + std::to_string(file->size) +
           ", \"sha256\": " + json_string(file->sha256) + "}";
}

// The fields every record begins with: what was done, on which interface, to which system.
std::string system_fields(const char* action, const std::string& interface, const SystemRecord& s) {
    return "\"action\": " + json_string(action) + ", \"interface\": " + json_string(interface) +
           ", \"mac\": " + json_string(mac_text(system_mac(s))) + ", \"serial\": " + json_string(s.serial_text) +
           ", \"type\": " + json_string(s.type_text) + ", \"address\": " + json_string(s.ip_text);
}

}  // namespace

SentFile::SentFile(const std::string& path) : name_(base_name(path)) { sha256_init(&context_); }

void SentFile::add(const unsigned char* bytes, size_t size) {
    sha256_update(&context_, size, bytes);
    size_ += size;
}

FileFacts SentFile::facts(bool whole) const {
    FileFacts facts{name_, whole, 0, ""};
    if (!whole) return facts;
    sha256_ctx copy = context_;  // the digest resets the context it reads
    uint8_t digest[SHA256_DIGEST_SIZE];
    sha256_digest(&copy, sizeof digest, digest);
    facts.size = size_;
    facts.sha256 = hex(digest, sizeof digest);
    return facts;
}

void SentFiles::add(UpdateStep step, const unsigned char* bytes, size_t size) {
    (step == UpdateStep::UploadingSdBoard ? sd_board_ : firmware_).add(bytes, size);
}

FileFacts SentFiles::firmware(const UpdateOutcome& ended) const {
    return firmware_.facts(ended.updated() || ended.step >= UpdateStep::InstallingFirmware);
}

FileFacts SentFiles::sd_board(const UpdateOutcome& ended) const {
    return sd_board_.facts(ended.updated() || ended.step >= UpdateStep::InstallingSdBoard);
}

std::string utc_time_text(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string record_json(const UpdateRecord& r) {
    return "{" + system_fields("update", r.interface, *r.system) + ", \"result\": " + json_string(r.result) +
           ", \"failed_step\": " + text_or_null(r.failed_step) + ", \"reason\": " + text_or_null(r.reason) +
           ", \"firmware_before\": " + json_string(r.system->firmware_text) +
           ", \"firmware_after\": " + text_or_null(r.firmware_after) + ", \"firmware_file\": " + file_json(r.firmware) +
           ", \"sd_board_file\": " + file_json(r.sd_board) + ", \"started\": " + text_or_null(r.started) +
           ", \"ended\": " + text_or_null(r.ended) + "}";
}

std::string record_json(const AddressRecord& r) {
    return "{" + system_fields("set-ip", r.interface, *r.system) + ", \"new_address\": " + json_string(r.new_address) +
           ", \"result\": " + json_string(r.result) + ", \"reason\": " + text_or_null(r.reason) +
           ", \"address_after\": " + text_or_null(r.address_after) + ", \"started\": " + text_or_null(r.started) +
           ", \"ended\": " + text_or_null(r.ended) + "}";
}

std::string record_json(const CommissionRecord& r) {
    std::string tries = "[";
    for (size_t i = 0; i < r.tries.size(); ++i) {
        const CommissionTry& t = r.tries[i];
        tries += (i ? ", " : "") + std::string("{\"result\": ") + json_string(t.result) +
                 ", \"failed_step\": " + text_or_null(t.failed_step) + ", \"reason\": " + text_or_null(t.reason) +
                 ", \"started\": " + text_or_null(t.started) + ", \"ended\": " + text_or_null(t.ended) + "}";
    }
    tries += "]";
    static const SystemRecord unseen{};
    std::string head = system_fields("commission", r.interface, r.system ? *r.system : unseen);
    if (!r.system)  // nothing is known of a system that never answered
        head = "\"action\": \"commission\", \"interface\": " + json_string(r.interface) +
               ", \"mac\": null, \"serial\": null, \"type\": null, \"address\": null";
    return "{" + head + ", \"target\": " + text_or_null(r.target) + ", \"new_address\": " +
           json_string(r.new_address) + ", \"result\": " + json_string(r.result) +
           ", \"failed_step\": " + text_or_null(r.failed_step) + ", \"reason\": " + text_or_null(r.reason) +
           ", \"address_after\": " + text_or_null(r.address_after) +
           ", \"firmware_before\": " + text_or_null(r.system ? r.system->firmware_text : "") +
           ", \"firmware_after\": " + text_or_null(r.firmware_after) + ", \"firmware_file\": " +
           file_json(r.firmware) + ", \"sd_board_file\": " + file_json(r.sd_board) +
           ", \"appeared\": " + text_or_null(r.appeared) + ", \"done\": " + text_or_null(r.done) +
           ", \"tries\": " + tries + "}";
}

AddressOutcome address_outcome(AddressSending sending, bool scanned, const std::string& new_address,
                               const std::string& address_after, RunStop stop) {
    switch (sending) {
    case AddressSending::NotSent:
        return {"not-started", stop != RunStop::None ? "not sent: interrupted"
                                                     : "not sent: an earlier change could not be sent"};
    case AddressSending::SendFailed: return {"failed", "the address change could not be sent"};
    case AddressSending::Sent: break;
    }
    if (stop == RunStop::Abandoned) return {"abandoned", "abandoned before the scan that checks it"};
    if (!scanned) return {"unverified", "sent, but the scan that checks it failed"};
    if (address_after == new_address) return {"changed", ""};
    return {"failed", address_after.empty() ? "did not answer the scan after the address change"
                                            : "still answers at " + address_after};
}

std::string records_document(const std::vector<std::string>& records) {
    std::string out = "[";
    for (size_t i = 0; i < records.size(); ++i) out += (i ? ",\n " : "\n ") + records[i];
    return out + (records.empty() ? "]\n" : "\n]\n");
}

bool write_whole(int fd, const std::string& bytes, WriteCall write_call) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write_call ? write_call(fd, bytes.data() + done, bytes.size() - done)
                                     : write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;  // nothing taken and no reason: it will not go on
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

RecordLog::~RecordLog() {
    if (fd_ >= 0) close(fd_);
}

bool RecordLog::open(const std::string& path, std::string* why) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) *why = path + ": " + std::strerror(errno);
    return fd_ >= 0;
}

bool RecordLog::append(const std::string& record) {
    if (fd_ < 0) return true;
    std::lock_guard<std::mutex> lock(mutex_);
    // O_APPEND: each write lands at the end, also beside another talvo writing the file.
    if (write_whole(fd_, record + "\n")) return true;
    std::fprintf(stderr, "talvo: writing the log: %s; this record is not in it: %s\n", std::strerror(errno),
                 record.c_str());
    failed_.store(true, std::memory_order_release);
    return false;
}

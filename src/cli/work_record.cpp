#include "cli/work_record.h"

#include "cli/listing.h"
#include "cli/targets.h"

#include <fcntl.h>
#include <nettle/sha2.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

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

// A JSON value for text, or null when it is empty.
std::string text_or_null(const std::string& text) { return text.empty() ? "null" : json_string(text); }

std::string file_json(const FileFacts* file) {
    if (!file) return "null";
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

bool read_file_facts(const std::string& path, FileFacts* out, std::string* why) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *why = path + ": " + std::strerror(errno);
        return false;
    }
    sha256_ctx context;
    sha256_init(&context);
    const size_t chunk = 1 << 16;
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[chunk]);
    uint64_t size = 0;
    ssize_t n;
    while ((n = read(fd, buffer.get(), chunk)) > 0) {
        sha256_update(&context, static_cast<size_t>(n), buffer.get());
        size += static_cast<uint64_t>(n);
    }
    const int error = errno;
    close(fd);
    if (n < 0) {
        *why = path + ": " + std::strerror(error);
        return false;
    }
    uint8_t digest[SHA256_DIGEST_SIZE];
    sha256_digest(&context, sizeof digest, digest);
    *out = FileFacts{base_name(path), size, hex(digest, sizeof digest)};
    return true;
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

std::string records_document(const std::vector<std::string>& records) {
    std::string out = "[";
    for (size_t i = 0; i < records.size(); ++i) out += (i ? ",\n " : "\n ") + records[i];
    return out + (records.empty() ? "]\n" : "\n]\n");
}

RecordLog::~RecordLog() {
    if (fd_ >= 0) close(fd_);
}

bool RecordLog::open(const std::string& path, std::string* why) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) *why = path + ": " + std::strerror(errno);
    return fd_ >= 0;
}

void RecordLog::append(const std::string& record) {
    if (fd_ < 0) return;
    const std::string line = record + "\n";
    // O_APPEND: each line lands whole at the end, also beside another talvo writing the file.
    if (write(fd_, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
        std::fprintf(stderr, "talvo: writing the log: %s\n", std::strerror(errno));
}

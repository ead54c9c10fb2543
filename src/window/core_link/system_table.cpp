#include "core_link/system_table.h"

#include "wire/text_field.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

SystemRecord* SystemTable = nullptr;
int32_t SystemCount = 0;
int32_t SelectedSystem = -1;

const SystemRecord* selected_system() {
    return (SelectedSystem >= 0 && SelectedSystem < SystemCount) ? &SystemTable[SelectedSystem] : nullptr;
}

namespace {

// One record more, or nullptr with the table unchanged: realloc keeps the old block
// when it fails, and a count at its limit is refused before its size could wrap.
SystemRecord* grow_by_one() {
    if (SystemCount < 0 || SystemCount >= INT32_MAX) return nullptr;
    const size_t records = static_cast<size_t>(SystemCount) + 1;
    if (records > SIZE_MAX / sizeof(SystemRecord)) return nullptr;
    void* storage = std::realloc(SystemTable, records * sizeof(SystemRecord));
    return static_cast<SystemRecord*>(storage);
}

}  // namespace

int32_t add_system_to_internal(const char* type, const char* firmware, int32_t header_length,
                               const uint8_t* frame, const char* ip_text,
                               const char* serial_text, const uint8_t ipv4[4]) {
    if (header_length < 0 || header_length > static_cast<int32_t>(sizeof SystemRecord::reply_headers))
        return -1;
    SystemRecord* grown = grow_by_one();
    if (grown == nullptr) {
        std::printf("Unable to allocate space\n");
        return -1;
    }
    SystemTable = grown;
    SystemRecord& record = SystemTable[SystemCount];
    std::memset(&record, 0, sizeof record);
    copy_text_field(record.type_text, sizeof record.type_text, type);
    copy_text_field(record.ip_text, sizeof record.ip_text, ip_text);
    copy_text_field(record.firmware_text, sizeof record.firmware_text, firmware);
    copy_text_field(record.serial_text, sizeof record.serial_text, serial_text);
    std::memcpy(record.ipv4, ipv4, 4);
    std::memcpy(record.reply_headers, frame, static_cast<size_t>(header_length));
    record.reply_headers_length = header_length;
    ++SystemCount;
    return 0;
}

void clear_system_table() {
    std::free(SystemTable);
    SystemTable = nullptr;
    SystemCount = 0;
}

AnswerStore store_in_system_table(const SystemRecord& record) {
    if (SystemCount >= ScanRecordLimit) return AnswerStore::Full;
    if (add_system_to_internal(record.type_text, record.firmware_text, record.reply_headers_length,
                               record.reply_headers, record.ip_text, record.serial_text, record.ipv4) != 0) {
        std::printf("add_system_to_internal error\n");
        return AnswerStore::Failed;
    }
    return AnswerStore::Stored;
}

// The Talvo systems that answered the last discovery scan.
#pragma once

#include "discovery/system_record.h"

#include <cstdint>

// Written only while a scan runs; read by the main thread once ScanDone is 1.
extern SystemRecord* SystemTable;
extern int32_t SystemCount;

extern int32_t SelectedSystem;  // row of the SystemTable, -1 for none

// The SystemTable row that SelectedSystem names, or nullptr when it names none.
const SystemRecord* selected_system();

// Appends one record: the texts cut to their fields, the first header_length bytes of
// frame as reply_headers. 0 when appended; -1 when the table could not grow ("Unable
// to allocate space" is printed; the earlier records and SystemCount stay as they
// were) or header_length does not fit reply_headers.
int32_t add_system_to_internal(const char* type, const char* firmware, int32_t header_length,
                               const uint8_t* frame, const char* ip_text,
                               const char* serial_text, const uint8_t ipv4[4]);

// Frees the table's storage and sets SystemCount to 0.
void clear_system_table();

// Appends an answer's record while the table holds fewer than ScanRecordLimit.
// Failed when it could not grow ("add_system_to_internal error" is printed).
AnswerStore store_in_system_table(const SystemRecord& record);

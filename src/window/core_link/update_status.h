// UpdateStatus, the firmware update's step as the progress screen numbers it, the result
// codes of the program's update functions, and the texts the screen shows: the window's
// one mapping from the update core's named steps and outcomes to its own numbers.
#pragma once

#include "update/update_outcome.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

// The running update's step: 1 to 8 (update_status_of), then 9 updated or 10 failed.
// Written by the update thread and the firmware list's Ok, read by the progress screen.
extern std::atomic<int32_t> UpdateStatus;

constexpr int32_t UpdateStatusUpdated = 9;
constexpr int32_t UpdateStatusFailed = 10;

// 1 start, 2 the system answered, 3 firmware upload, 4 its installation, 5 SD board
// upload, 6 its installation, 7 its validation, 8 reboot.
int32_t update_status_of(UpdateStep step);

inline bool update_ended(int32_t status) { return status == UpdateStatusUpdated || status == UpdateStatusFailed; }

// run_firmware_update's result: 0 updated, -1 no connection, -2 GetModuleType, -3 the
// reset, -4 the firmware file, -6 no memory, -7 a chunk call failed, -8 a chunk refused,
// -9 the closing call failed, -10 the installation refused, -11 the SD board file
// system or the reboot. There is no -5.
int32_t firmware_update_code(const UpdateOutcome& outcome);

// update_spmmc's result: 0, -1 no connection, -2 the file, -6 no memory, -7 a chunk call
// failed, -8 a chunk refused, -9 the closing call failed, -10 refused, -11 the
// validation call failed, -12 the validation refused.
int32_t sd_board_code(const UpdateOutcome& outcome);

// The text shown for a status, or nullptr when the status keeps the previous text. For
// UpdateStatusFailed the text is formed from UpdateErrorText into buffer (256 bytes or
// more).
const char* update_status_text(int32_t status, char* buffer, size_t size);

#include "core_link/update_status.h"

#include "core_link/update_sequence.h"

#include <cstdio>

std::atomic<int32_t> UpdateStatus{0};

int32_t update_status_of(UpdateStep step) {
    switch (step) {
    case UpdateStep::CheckingSystem: return 1;
    case UpdateStep::ResettingUpload: return 2;
    case UpdateStep::UploadingFirmware: return 3;
    case UpdateStep::InstallingFirmware: return 4;
    case UpdateStep::UploadingSdBoard: return 5;
    case UpdateStep::InstallingSdBoard: return 6;
    case UpdateStep::ValidatingSdBoard: return 7;
    case UpdateStep::Rebooting:
    case UpdateStep::WaitingForRestart: return 8;
    }
    return 1;
}

namespace {

// A failed call or a refusal, by the step it happened in.
int32_t by_answer(UpdateFailure failure, int32_t call_failed, int32_t refused) {
    return failure == UpdateFailure::Refused ? refused : call_failed;
}

}  // namespace

int32_t firmware_update_code(const UpdateOutcome& outcome) {
    const UpdateFailure failure = outcome.failure;
    if (failure == UpdateFailure::None) return 0;
    switch (outcome.step) {
    case UpdateStep::CheckingSystem: return failure == UpdateFailure::NoConnection ? -1 : -2;
    case UpdateStep::ResettingUpload: return -3;
    case UpdateStep::UploadingFirmware:
        if (failure == UpdateFailure::FileUnusable) return -4;
        if (failure == UpdateFailure::NoMemory) return -6;
        return by_answer(failure, -7, -8);
    case UpdateStep::InstallingFirmware: return by_answer(failure, -9, -10);
    case UpdateStep::UploadingSdBoard:
    case UpdateStep::InstallingSdBoard:
    case UpdateStep::ValidatingSdBoard:
    case UpdateStep::Rebooting:
    case UpdateStep::WaitingForRestart: return -11;
    }
    return -11;
}

int32_t sd_board_code(const UpdateOutcome& outcome) {
    const UpdateFailure failure = outcome.failure;
    if (failure == UpdateFailure::None) return 0;
    switch (outcome.step) {
    case UpdateStep::InstallingSdBoard: return by_answer(failure, -9, -10);
    case UpdateStep::ValidatingSdBoard: return by_answer(failure, -11, -12);
    default:
        if (failure == UpdateFailure::NoConnection) return -1;
        if (failure == UpdateFailure::FileUnusable) return -2;
        if (failure == UpdateFailure::NoMemory) return -6;
        return by_answer(failure, -7, -8);
    }
}

const char* update_status_text(int32_t status, char* buffer, size_t size) {
    switch (status) {
    case 1:
    case 2: return "Initialization of the firmware update.";
    case 3: return "Uploading the new firmware on the system.";
    case 4: return "Installation in progress. Please wait 2 minutes.";
    case 5: return "Uploading the new SD board file system.";
    case 6: return "Installation of the SD board file system.";
    case 7: return "Validation of the SD board's file system.";
    case 8: return "The system is now rebooting.";
    case UpdateStatusUpdated: return "The firmware was updated.";
    case UpdateStatusFailed:
        std::snprintf(buffer, size, "Firmware update error: %s.", UpdateErrorText);
        return buffer;
    default: return nullptr;
    }
}

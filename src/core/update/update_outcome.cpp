#include "update/update_outcome.h"

const char* update_step_words(UpdateStep step) {
    switch (step) {
    case UpdateStep::CheckingSystem: return "connecting";
    case UpdateStep::ResettingUpload: return "resetting the upload";
    case UpdateStep::UploadingFirmware: return "uploading firmware";
    case UpdateStep::InstallingFirmware: return "installing firmware";
    case UpdateStep::UploadingSdBoard: return "uploading SD board file system";
    case UpdateStep::InstallingSdBoard: return "installing SD board file system";
    case UpdateStep::ValidatingSdBoard: return "validating SD board file system";
    case UpdateStep::Rebooting: return "rebooting";
    case UpdateStep::WaitingForRestart: return "waiting for the restart";
    }
    return "?";
}

const char* update_failure_words(UpdateFailure failure) {
    switch (failure) {
    case UpdateFailure::None: return "none";
    case UpdateFailure::NoConnection: return "no connection";
    case UpdateFailure::CallFailed: return "no usable reply";
    case UpdateFailure::Refused: return "refused by the system";
    case UpdateFailure::ResetAccepted: return "the system installed an empty upload";
    case UpdateFailure::FileUnusable: return "the file cannot be sent";
    case UpdateFailure::NoMemory: return "out of memory";
    case UpdateFailure::Interrupted: return "interrupted";
    }
    return "?";
}

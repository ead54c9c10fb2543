// What an update went through and how it ended, by name: the steps in their order, the
// ways one can fail, and the words for each that a person reads.
#pragma once

#include <string>

enum class UpdateStep {
    CheckingSystem,     // connecting to the Device Service and asking GetModuleType
    ResettingUpload,    // dropping any upload in progress
    UploadingFirmware,
    InstallingFirmware, // the closing call: the system installs what it received
    UploadingSdBoard,   // the SD board file system over a connection of its own
    InstallingSdBoard,
    ValidatingSdBoard,
    Rebooting,          // the reboot request
    WaitingForRestart,  // the system took the reboot request; the wait for its restart
};

enum class UpdateFailure {
    None,
    NoConnection,   // the Device Service could not be reached
    CallFailed,     // no usable reply: connection lost, deadline passed, SOAP fault, refused reply
    Refused,        // the system answered and refused the request
    ResetAccepted,  // the system installed an empty upload instead of refusing it
    FileUnusable,   // the file did not open, is no regular file, or changed during its upload
    NoMemory,
    Interrupted,    // stopped on request before anything was installed
};

// "uploading firmware", "installing SD board file system", ...
const char* update_step_words(UpdateStep step);
// "no connection", "refused", ...
const char* update_failure_words(UpdateFailure failure);

// Whether the system is past the point from which its sequence must reach the reboot
// request: from the firmware's installation on, until the request was taken.
inline bool update_installing(UpdateStep step) {
    return step >= UpdateStep::InstallingFirmware && step < UpdateStep::WaitingForRestart;
}

struct UpdateOutcome {
    UpdateFailure failure = UpdateFailure::None;
    UpdateStep step = UpdateStep::CheckingSystem;  // the step it failed in
    std::string error_text;                        // why, in the system's or the tool's words

    bool updated() const { return failure == UpdateFailure::None; }
};

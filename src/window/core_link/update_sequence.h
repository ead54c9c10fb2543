// The program's firmware update: the process-wide values the progress screen reads,
// and thin layers over the update core (device_update.h) that print its diagnostic
// lines, store its steps in UpdateStatus and its reason in UpdateErrorText.
#pragma once

#include "update/install_gate.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

constexpr size_t UpdateErrorTextSize = 256;

// The reason of the last failure; written before UpdateStatus becomes 10.
extern char UpdateErrorText[UpdateErrorTextSize];

// The update's stop request and its installing call, one deciding against the other:
// closing the window before the installation stops the update there, closing it during
// the installation waits for the reboot request (a system left then would keep new
// firmware without the rest). Opened again on each entry to the update screen.
extern InstallGate UpdateGate;

// printf into UpdateErrorText, cut to 255 characters.
void set_update_error(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The whole update of the system at address with the firmware file `name` of the
// catalogue at path; the SD board file is the ".spmmc" file of the same base name
// (extension in any case), opened under the name found. 0 on success, a negative code
// otherwise (UpdateOutcome).
int32_t run_firmware_update(const char* name, const char* path, const char* address);

// Whether the update can reach entry `selected` of the system table through the chosen
// interface: on its network, alone at its address. Otherwise false with the reason in
// UpdateErrorText; nothing is sent. Without a chosen interface there is nothing to
// judge by, and the connection takes the routes as they are.
bool update_reaches_system(int32_t selected);

class DeviceConnection;

// Asks the system to install an empty upload, which drops any upload in progress.
// 0 when the system refused (the expected answer), -1 otherwise.
int32_t reset_upload(DeviceConnection& connection);

// 0 when the system accepted the reboot, -1 otherwise.
int32_t reboot_system(DeviceConnection& connection);

// Uploads, installs and validates the SD board file system at path over a connection
// of its own. 0, or a negative code.
int32_t update_spmmc(const char* path, const char* address);

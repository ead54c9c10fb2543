// Process-wide values of the application, shared by every subsystem.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

// The screen the main state machine is on.
enum : int32_t {
    StateChooseInterface = 0,
    StateScan = 1,
    StateSystemList = 2,
    StateChangeIp = 3,
    StateChooseFirmware = 4,
    StateUpdateFirmware = 5,
};

constexpr size_t ResourceDirSize = 256;   // 255 characters and the terminator
constexpr size_t ResourcePathSize = 255;  // a composed resource path: 254 characters at most

constexpr int ScreenWidth = 800;
constexpr int ScreenHeight = 600;

extern int32_t AppState;
extern int32_t Running;                    // the machine goes on while it equals 1
extern std::atomic<int32_t> ScanDone;      // written by the scan thread, read by the main thread
extern std::atomic<int32_t> UpdateStatus;  // the firmware update's step, 9 updated, 10 failed
extern SDL_Surface* Screen;
extern TTF_Font* RegularFont;
extern TTF_Font* BoldFont;
extern char ResourceDir[ResourceDirSize];
extern int32_t SelectedSystem;   // row of the SystemTable, -1 for none
extern int32_t ChosenInterface;  // entry of the InterfaceTable, -1 for none
extern int32_t ChosenFirmware;   // entry of FirmwareNames, -1 for none

struct Rgb {
    Uint8 r, g, b;
};

constexpr Rgb BackgroundColour{221, 224, 227};
constexpr Rgb TextColour{0, 0, 0};
constexpr Rgb SeparatorColour{0, 0, 0};
constexpr Rgb ColourKey{255, 255, 255};

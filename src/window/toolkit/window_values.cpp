#include "toolkit/window_values.h"

int32_t AppState = StateChooseInterface;
int32_t Running = 1;
std::atomic<int32_t> ScanDone{0};
std::atomic<int32_t> UpdateStatus{0};
SDL_Surface* Screen = nullptr;
TTF_Font* RegularFont = nullptr;
TTF_Font* BoldFont = nullptr;
char ResourceDir[ResourceDirSize] = {};
int32_t SelectedSystem = -1;
int32_t ChosenInterface = 0;
int32_t ChosenFirmware = -1;

// The bars at the top of the screens: the system list's and the firmware list's
// toolbars (back and rescan buttons, a hint) and the interface screen's header.
#pragma once

#include "toolkit/sdl_owners.h"

#include <vector>

constexpr int BarHeight = 45;   // positions with y up to this belong to a toolbar

// The plain part of a bar: background, separator line, position and height.
struct BarFrame {
    SurfacePtr background;
    SurfacePtr separator;
    SDL_Rect position{0, 0, 0, 0};
    int32_t height = BarHeight;
};

// A bar's hint: its lines, drawn from x within the bar.
struct BarHint {
    std::vector<SurfacePtr> lines;
    int x = 0;
};

struct Toolbar {
    BarFrame* frame;
    const char* hint_text;
    BarHint hint;
    SurfacePtr rescan;
    SurfacePtr back;
    SurfacePtr rescan_high;
    SurfacePtr back_high;
    int32_t RescanHover = 0;
    int32_t BackHover = 0;
};

// Shared by the system list's toolbar and the interface header.
extern BarFrame SharedBar;
extern Toolbar SystemListToolbar;
extern Toolbar FirmwareToolbar;

// Toolbar operations: prepare 0 or -1 (rescan or back image missing); motion 1 when
// no highlight changed, 0 to redraw; click 0 none, 1 rescan, 2 back.
int32_t system_list_toolbar_prepare();
int32_t system_list_toolbar_draw();
int32_t system_list_toolbar_motion(const SDL_Event& event);
int32_t system_list_toolbar_click(const SDL_Event& event);

int32_t firmware_toolbar_prepare();
int32_t firmware_toolbar_draw();
int32_t firmware_toolbar_motion(const SDL_Event& event);
int32_t firmware_toolbar_click(const SDL_Event& event);

int32_t interface_header_prepare();
int32_t interface_header_draw();

// Frees every surface of the bars (before SDL shuts down).
void toolbars_release();

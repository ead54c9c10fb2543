// Stand-ins until the list views are built: an empty list area that reacts to nothing.
#include "shell/drawing.h"
#include "ui/firmware_list.h"
#include "ui/interface_list.h"
#include "ui/system_list.h"

namespace {
SurfacePtr ListBackground;

int32_t draw_empty_list() {
    blit(ListBackground.get(), 0, 45);
    return 0;
}
}  // namespace

int32_t system_list_prepare() {
    ListBackground = make_filled_surface(ScreenWidth, ScreenHeight - 45, BackgroundColour);
    return 0;
}
int32_t system_list_draw() { return draw_empty_list(); }
int32_t system_list_motion(const SDL_Event&) { return 1; }
int32_t system_list_click(const SDL_Event&) { return 1; }
void system_list_release() { ListBackground.reset(); }

int32_t interface_list_prepare() { return 0; }
int32_t interface_list_draw() { return draw_empty_list(); }
int32_t interface_list_motion(const SDL_Event&) { return 1; }
int32_t interface_list_click(const SDL_Event&) { return 1; }
void interface_list_release() {}

int32_t firmware_list_prepare() { return 0; }
int32_t firmware_list_draw() { return draw_empty_list(); }
int32_t firmware_list_motion(const SDL_Event&) { return 1; }
int32_t firmware_list_click(const SDL_Event&) { return 1; }
void firmware_list_release() {}

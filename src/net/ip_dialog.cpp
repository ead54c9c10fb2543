// Stand-in until the address change is built: a blank screen whose back button works.
#include "net/ip_dialog.h"

#include "shell/drawing.h"

namespace {
SurfacePtr Back;
}

int32_t ip_dialog_init() {
    Back = load_image("%s/img/left.bmp");
    return 0;
}
void ip_dialog_open() {}
int32_t ip_dialog_draw() {
    SDL_FillRect(Screen, nullptr, map_rgb(BackgroundColour));
    blit(Back.get(), 5, 2);
    return 0;
}
int32_t ip_dialog_click(int32_t x, int32_t y) { return (5 < x && x < 45 && 2 < y && y < 42) ? 1 : 0; }
int32_t ip_dialog_hover(int32_t, int32_t) { return 1; }
int32_t ip_dialog_backspace() { return 0; }
int32_t ip_dialog_digit(int32_t) { return 0; }
int32_t ip_dialog_next_field() { return 0; }
int32_t ip_dialog_validate() { return -1; }
void ip_dialog_release() { Back.reset(); }

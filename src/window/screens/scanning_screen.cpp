#include "screens/scanning_screen.h"

#include "toolkit/drawing.h"
#include "toolkit/moving_indicator.h"

namespace {

struct ScanningScreen {
    int32_t width = ScreenWidth;
    int32_t height = ScreenHeight;
    SurfacePtr indicator;
    SurfacePtr waiting_text;
};

ScanningScreen Scanning;

}  // namespace

int32_t scanning_screen_prepare() {
    Scanning.width = ScreenWidth;
    Scanning.height = ScreenHeight;
    Scanning.indicator = load_image("%s/img/rescan.bmp");
    set_white_key(Scanning.indicator.get());
    Scanning.waiting_text = render_text(BoldFont, "Scanning Talvo systems, please wait...");
    return 0;
}

int32_t scanning_screen_draw(int32_t frame) {
    const int32_t w = Scanning.width, h = Scanning.height;
    SDL_FillRect(Screen, nullptr, map_rgb(BackgroundColour));
    blit(Scanning.indicator.get(), indicator_x(frame, w), h / 2 - 20);
    blit(Scanning.waiting_text.get(), w / 2 - 130, h / 2 - 60);
    return 0;
}

void scanning_screen_release() {
    Scanning.indicator.reset();
    Scanning.waiting_text.reset();
}

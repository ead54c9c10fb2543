#include "screens/update_screen.h"

#include "core_link/update_sequence.h"
#include "core_link/update_status.h"
#include "toolkit/control_rect.h"
#include "toolkit/drawing.h"
#include "toolkit/moving_indicator.h"

#include <cstdio>
#include <string>
#include <vector>

int32_t OkHover = 0;

namespace {

struct UpdateScreen {
    int32_t width = ScreenWidth;
    int32_t height = ScreenHeight;
    SurfacePtr indicator;
    SurfacePtr ok_image;
    SurfacePtr ok_image_high;
    SurfacePtr ok_text;
    std::vector<SurfacePtr> status_lines;  // the status text, wrapped to the window
    SurfacePtr closing_text;
    bool closing = false;
};

UpdateScreen Progress;

// Where the ended layout puts the Ok button: the indicator's middle place.
ControlRect ok_button() { return {indicator_x(50, Progress.width), Progress.height / 2 - 20, 40, 22}; }

// The status text starts at x = W / 2 - 130; a longer text (a path, a device's reason)
// wraps onto lines above, so its last line keeps the place of a one-line text and no
// line reaches the Ok button or the window's edge.
void set_status_text(const char* text) {
    Progress.status_lines.clear();
    const int width = Progress.width - (Progress.width / 2 - 130) - 10;
    for (const std::string& line : wrap_text(BoldFont, text, width))
        Progress.status_lines.push_back(render_text(BoldFont, line.c_str()));
}

void draw_status_text() {
    const int x = Progress.width / 2 - 130, last = Progress.height / 2 - 60;
    const int skip = BoldFont ? TTF_FontLineSkip(BoldFont) : 18;
    const int count = static_cast<int>(Progress.status_lines.size());
    for (int i = 0; i < count; ++i) blit(Progress.status_lines[i].get(), x, last - (count - 1 - i) * skip);
}

}  // namespace

int32_t update_screen_prepare() {
    Progress.width = ScreenWidth;
    Progress.height = ScreenHeight;
    Progress.indicator = load_image("%s/img/rescan.bmp");
    Progress.ok_image = load_image("%s/img/apply.bmp");
    Progress.ok_image_high = load_image("%s/img/applyhigh.bmp");
    set_white_key(Progress.indicator.get());
    set_status_text("Updating firmware, please wait...");
    Progress.ok_text = render_text(BoldFont, "Ok");
    Progress.closing_text = render_text(BoldFont, "Closing once the system has its reboot request...");
    Progress.closing = false;
    OkHover = 0;
    return 0;
}

int32_t update_screen_draw(int32_t frame) {
    const int32_t w = Progress.width, h = Progress.height;
    const int32_t status = UpdateStatus.load(std::memory_order_acquire);
    char buffer[UpdateErrorTextSize + 32];
    if (const char* text = update_status_text(status, buffer, sizeof buffer)) set_status_text(text);
    SDL_FillRect(Screen, nullptr, map_rgb(BackgroundColour));
    if (update_ended(status)) {
        const ControlRect ok = ok_button();
        blit_in(OkHover == 1 ? Progress.ok_image_high.get() : Progress.ok_image.get(), ok);
        blit_in(Progress.ok_text.get(), ok, 10, 5);
    } else {
        blit(Progress.indicator.get(), indicator_x(frame, w), h / 2 - 20);
    }
    draw_status_text();
    if (Progress.closing) blit(Progress.closing_text.get(), w / 2 - 130, h / 2 + 40);
    return 0;
}

void update_screen_closing(bool closing) { Progress.closing = closing; }

int32_t update_screen_motion(const SDL_Event& event) {
    OkHover = ok_button().contains(event.motion.x, event.motion.y) ? 1 : 0;
    return 0;
}

int32_t update_screen_click() {
    return (OkHover == 1 && update_ended(UpdateStatus.load(std::memory_order_acquire))) ? 1 : 0;
}

void update_screen_release() {
    Progress.indicator.reset();
    Progress.ok_image.reset();
    Progress.ok_image_high.reset();
    Progress.ok_text.reset();
    Progress.closing_text.reset();
    Progress.status_lines.clear();
}

#include "firmware/update_screen.h"

#include "firmware/update_sequence.h"
#include "shell/drawing.h"
#include "shell/scanning_screen.h"

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
};

UpdateScreen Progress;

bool update_ended(int32_t status) { return status == 9 || status == 10; }

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

const char* update_status_text(int32_t status, char* buffer, size_t size) {
    switch (status) {
    case 1:
    case 2: return "Initialization of the firmware update.";
    case 3: return "Uploading the new firmware on the system.";
    case 4: return "Installation in progress. Please wait 2 minutes.";
    case 5: return "Uploading the new SD board file system.";
    case 6: return "Installation of the SD board file system.";
    case 7: return "Validation of the SD board's file system.";
    case 8: return "The system is now rebooting.";
    case 9: return "The firmware was updated.";
    case 10:
        std::snprintf(buffer, size, "Firmware update error: %s.", UpdateErrorText);
        return buffer;
    default: return nullptr;
    }
}

int32_t update_screen_prepare() {
    Progress.width = ScreenWidth;
    Progress.height = ScreenHeight;
    Progress.indicator = load_image("%s/img/rescan.bmp");
    Progress.ok_image = load_image("%s/img/apply.bmp");
    Progress.ok_image_high = load_image("%s/img/applyhigh.bmp");
    set_white_key(Progress.indicator.get());
    set_status_text("Updating firmware, please wait...");
    Progress.ok_text = render_text(BoldFont, "Ok");
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
        const int32_t x = indicator_x(50, w), y = h / 2 - 20;
        blit(OkHover == 1 ? Progress.ok_image_high.get() : Progress.ok_image.get(), x, y);
        blit(Progress.ok_text.get(), x + 10, y + 5);
    } else {
        blit(Progress.indicator.get(), indicator_x(frame, w), h / 2 - 20);
    }
    draw_status_text();
    return 0;
}

int32_t update_screen_motion(const SDL_Event& event) {
    const int x = event.motion.x, y = event.motion.y;
    OkHover = (400 < x && x < 440 && 280 < y && y < 302) ? 1 : 0;
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
    Progress.status_lines.clear();
}

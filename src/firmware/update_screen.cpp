#include "firmware/update_screen.h"

#include "firmware/update_sequence.h"
#include "shell/drawing.h"
#include "shell/scanning_screen.h"

#include <cstdio>

int32_t OkHover = 0;

namespace {

struct UpdateScreen {
    int32_t width = ScreenWidth;
    int32_t height = ScreenHeight;
    SurfacePtr indicator;
    SurfacePtr ok_image;
    SurfacePtr ok_image_high;
    SurfacePtr ok_text;
    SurfacePtr status_text;
};

UpdateScreen Progress;

bool update_ended(int32_t status) { return status == 9 || status == 10; }

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
    Progress.status_text = render_text(BoldFont, "Updating firmware, please wait...");
    Progress.ok_text = render_text(BoldFont, "Ok");
    OkHover = 0;
    return 0;
}

int32_t update_screen_draw(int32_t frame) {
    const int32_t w = Progress.width, h = Progress.height;
    const int32_t status = UpdateStatus.load(std::memory_order_acquire);
    char buffer[UpdateErrorTextSize + 32];
    if (const char* text = update_status_text(status, buffer, sizeof buffer)) {
        Progress.status_text = render_text(BoldFont, text);
    }
    SDL_FillRect(Screen, nullptr, map_rgb(BackgroundColour));
    if (update_ended(status)) {
        const int32_t x = indicator_x(50, w), y = h / 2 - 20;
        blit(OkHover == 1 ? Progress.ok_image_high.get() : Progress.ok_image.get(), x, y);
        blit(Progress.ok_text.get(), x + 10, y + 5);
    } else {
        blit(Progress.indicator.get(), indicator_x(frame, w), h / 2 - 20);
    }
    blit(Progress.status_text.get(), w / 2 - 130, h / 2 - 60);
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
    Progress.status_text.reset();
}

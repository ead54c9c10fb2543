#include "app/startup.h"

#include "app/state_machine.h"
#include "core_link/interface_catalogue.h"
#include "platform/platform.h"
#include "screens/screens.h"
#include "toolkit/drawing.h"
#include "toolkit/resource_file.h"
#include "toolkit/resource_path.h"
#include "toolkit/window_values.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Shut SDL and SDL_ttf down on every path once they were started.
struct SdlSession {
    ~SdlSession() { SDL_Quit(); }
};
struct TtfSession {
    ~TtfSession() { TTF_Quit(); }
};
struct PreparedScreens {
    PreparedScreens() { prepare_screens(); }
    ~PreparedScreens() { release_screens(); }
};

// The window icon; a missing file leaves the window without one.
void set_window_icon() {
    SurfacePtr icon = load_image("%s/img/icon.bmp");
    if (icon) SDL_WM_SetIcon(icon.get(), nullptr);
}

bool start_video() {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::printf("Unable to start SDL: %s\n", SDL_GetError());
        return false;
    }
    char driver[64] = "";
    SDL_VideoDriverName(driver, sizeof driver);
    if (invisible_video_driver(driver, std::getenv("SDL_VIDEODRIVER"))) {
        std::printf("No display to open the window on (DISPLAY is %s); "
                    "start the program from a desktop session\n",
                    std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "not set");
        return false;
    }
    return true;
}

}  // namespace

bool invisible_video_driver(const char* driver_name, const char* requested_driver) {
    const bool invisible = std::strcmp(driver_name, "offscreen") == 0 ||
                           std::strcmp(driver_name, "dummy") == 0;
    const bool requested = requested_driver && *requested_driver;
    return invisible && !requested;
}

int run_program() {
    if (resolve_resource_dir() != 0) return 1;
    // The firmware update's connections need it; discovery does not, so the program goes on.
    if (const int error = platform::start_sockets())
        std::printf("Unable to start the socket layer (error %d); firmware updates will fail\n", error);
    AppState = StateChooseInterface;
    build_interface_catalogue();

    if (!start_video()) {
        SDL_Quit();
        return 1;
    }
    SdlSession sdl;
    if (TTF_Init() != 0) {
        std::printf("Unable to start SDL_ttf: %s\n", TTF_GetError());
        return 1;
    }
    TtfSession ttf;
    FontPtr regular = open_resource_font("%s/font/sheep.ttf", 15);
    FontPtr bold = open_resource_font("%s/font/sheepsansbold.ttf", 15);
    if (!regular || !bold) return 1;
    RegularFont = regular.get();
    BoldFont = bold.get();

    set_window_icon();
    if (resource_refused()) {
        std::printf("Start-up ended: a resource file was refused\n");
        return 1;
    }
    Screen = SDL_SetVideoMode(ScreenWidth, ScreenHeight, 32, SDL_HWSURFACE | SDL_DOUBLEBUF);
    if (!Screen) {
        std::printf("Unable to open the %dx%d window: %s\n", ScreenWidth, ScreenHeight, SDL_GetError());
        return 1;
    }
    SDL_WM_SetCaption("Talvo Perabo", nullptr);
    SDL_FillRect(Screen, nullptr, map_rgb(BackgroundColour));

    {
        PreparedScreens screens;
        if (resource_refused()) {
            std::printf("Start-up ended: a resource file was refused\n");
            return 1;
        }
        run_state_machine();
    }
    RegularFont = BoldFont = nullptr;
    Screen = nullptr;
    return 0;
}

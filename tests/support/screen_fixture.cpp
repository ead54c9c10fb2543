#include "screen_fixture.h"

#include "app/state_machine.h"
#include "core_link/chosen_interface.h"
#include "core_link/firmware_catalogue.h"
#include "core_link/system_table.h"
#include "core_link/update_status.h"
#include "screens/screens.h"
#include "toolkit/resource_path.h"

#include <SDL_ttf.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>

namespace {
TTF_Font* OpenedRegular = nullptr;
TTF_Font* OpenedBold = nullptr;
}  // namespace

void ScreenTest::SetUpTestSuite() {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    ASSERT_EQ(TTF_Init(), 0) << TTF_GetError();
    std::snprintf(ResourceDir, sizeof ResourceDir, "%s", PERABO_RUNTIME_DIR);
    OpenedRegular = TTF_OpenFont(PERABO_RUNTIME_DIR "/font/sheep.ttf", 15);
    OpenedBold = TTF_OpenFont(PERABO_RUNTIME_DIR "/font/sheepsansbold.ttf", 15);
    ASSERT_NE(OpenedRegular, nullptr);
    ASSERT_NE(OpenedBold, nullptr);
    RegularFont = OpenedRegular;
    BoldFont = OpenedBold;
    Screen = SDL_SetVideoMode(ScreenWidth, ScreenHeight, 32, SDL_HWSURFACE | SDL_DOUBLEBUF);
    ASSERT_NE(Screen, nullptr) << SDL_GetError();
    prepare_screens();
}

void ScreenTest::TearDownTestSuite() {
    release_screens();
    TTF_CloseFont(OpenedRegular);
    TTF_CloseFont(OpenedBold);
    RegularFont = BoldFont = nullptr;
    TTF_Quit();
    SDL_Quit();
    Screen = nullptr;
}

void ScreenTest::SetUp() {
    drain_events();
    AppState = StateChooseInterface;
    Running = 1;
    ScanDone.store(0);
    UpdateStatus.store(0);
    SelectedSystem = -1;
    ChosenInterface = 0;
    ChosenFirmware = -1;
}

Rgb pixel_at(int x, int y) {
    SDL_LockSurface(Screen);
    const Uint8* row = static_cast<const Uint8*>(Screen->pixels) + y * Screen->pitch;
    Uint32 value = 0;
    std::memcpy(&value, row + x * Screen->format->BytesPerPixel, Screen->format->BytesPerPixel);
    SDL_UnlockSurface(Screen);
    Rgb c{};
    SDL_GetRGB(value, Screen->format, &c.r, &c.g, &c.b);
    return c;
}

bool same_colour(Rgb a, Rgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

std::ostream& operator<<(std::ostream& out, const Rgb& c) {
    return out << '(' << int(c.r) << ',' << int(c.g) << ',' << int(c.b) << ')';
}

SDL_Event motion_event(int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = static_cast<Uint16>(x);
    e.motion.y = static_cast<Uint16>(y);
    return e;
}

SDL_Event button_event(int x, int y, Uint8 button) {
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONUP;
    e.button.button = button;
    e.button.state = SDL_RELEASED;
    e.button.x = static_cast<Uint16>(x);
    e.button.y = static_cast<Uint16>(y);
    return e;
}

void push_motion(int x, int y) {
    SDL_Event e = motion_event(x, y);
    SDL_PushEvent(&e);
}

void push_button_up(int x, int y, Uint8 button) {
    SDL_Event e = button_event(x, y, button);
    SDL_PushEvent(&e);
}

void push_key(SDLKey key) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = key;
    SDL_PushEvent(&e);
}

void push_quit() {
    SDL_Event e{};
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
}

void drain_events() {
    SDL_Event e;
    while (SDL_PollEvent(&e) == 1) {
    }
}

#include "shell/event_loops.h"

#include "firmware/firmware_catalogue.h"
#include "firmware/update_screen.h"
#include "net/ip_dialog.h"
#include "platform/platform.h"
#include "shell/app.h"
#include "shell/scanning_screen.h"
#include "shell/toolbar.h"
#include "ui/firmware_list.h"
#include "ui/interface_list.h"
#include "ui/system_list.h"

#include <cstdio>

namespace {

bool on_toolbar(Uint16 y) { return y <= BarHeight; }

using HitTest = int32_t (*)(const SDL_Event&);

// On the screens with a toolbar, positions with y up to 45 go to the bar.
int32_t route_motion(const SDL_Event& event, HitTest bar, HitTest list) {
    return on_toolbar(event.motion.y) ? bar(event) : list(event);
}

void quit() { Running = 0; }

void redraw_interface_screen() {
    interface_header_draw();
    interface_list_draw();
    SDL_Flip(Screen);
}

void redraw_system_list() {
    system_list_toolbar_draw();
    system_list_draw();
    SDL_Flip(Screen);
}

void redraw_ip_dialog() {
    ip_dialog_draw();
    SDL_Flip(Screen);
}

void redraw_firmware_list() {
    firmware_toolbar_draw();
    firmware_list_draw();
    SDL_Flip(Screen);
}

}  // namespace

void interface_loop() {
    for (;;) {
        ChosenInterface = -1;
        bool redraw = false;
        SDL_Event event;
        if (SDL_WaitEvent(&event) != 1) continue;
        switch (event.type) {
        case SDL_MOUSEMOTION:
            if (interface_list_motion(event) == 0) redraw_interface_screen();
            break;
        case SDL_MOUSEBUTTONUP:
            if (event.button.button != SDL_BUTTON_LEFT) break;
            if (interface_list_click(event) == 0) redraw = true;
            if (ChosenInterface != -1) return;
            if (redraw) redraw_interface_screen();
            break;
        case SDL_QUIT:
            quit();
            return;
        default:
            break;
        }
    }
}

void scan_wait_loop() {
    int32_t frame = 0;
    bool keep_going = true;
    while (ScanDone.load(std::memory_order_acquire) == 0) {
        SDL_Event event;
        if (SDL_PollEvent(&event) == 1 && event.type == SDL_QUIT) {
            keep_going = false;
            quit();
        }
        platform::sleep_ms(FrameDelayMs);
        scanning_screen_draw(frame);
        SDL_Flip(Screen);
        frame = next_frame(frame);
        if (!keep_going) break;
    }
}

void system_list_loop() {
    for (;;) {
        SDL_Event event;
        if (SDL_WaitEvent(&event) != 1) {
            std::printf("SDL_WaitEvent error");
            continue;
        }
        switch (event.type) {
        case SDL_KEYDOWN:
            if (event.key.keysym.sym == SDLK_F5) {
                AppState = StateScan;
                return;
            }
            break;
        case SDL_MOUSEMOTION:
            if (route_motion(event, system_list_toolbar_motion, system_list_motion) == 0) redraw_system_list();
            break;
        case SDL_MOUSEBUTTONUP:
            if (event.button.button != SDL_BUTTON_LEFT) break;
            if (on_toolbar(event.button.y)) {
                switch (system_list_toolbar_click(event)) {
                case 1: AppState = StateScan; return;
                case 2: AppState = StateChooseInterface; return;
                default: break;
                }
            } else {
                switch (system_list_click(event)) {
                case 0: redraw_system_list(); break;
                case 2: AppState = StateChangeIp; return;
                case 3: AppState = StateChooseFirmware; return;
                default: break;
                }
            }
            break;
        case SDL_QUIT:
            quit();
            return;
        default:
            break;
        }
    }
}

void ip_change_loop() {
    for (;;) {
        SDL_Event event;
        if (SDL_WaitEvent(&event) != 1) continue;
        switch (event.type) {
        case SDL_MOUSEMOTION:
            if (ip_dialog_hover(event.motion.x, event.motion.y) == 0) redraw_ip_dialog();
            break;
        case SDL_MOUSEBUTTONUP:  // any button
            switch (ip_dialog_click(event.button.x, event.button.y)) {
            case 0: redraw_ip_dialog(); break;
            case 1: AppState = StateSystemList; return;
            case 2:
                platform::sleep_ms(AddressSentPauseMs);
                AppState = StateScan;
                return;
            default: break;
            }
            break;
        case SDL_KEYDOWN: {
            const SDLKey key = event.key.keysym.sym;
            if (key == SDLK_BACKSPACE || key == SDLK_DELETE) {
                if (ip_dialog_backspace() == 1) redraw_ip_dialog();
            } else if (key == SDLK_TAB) {
                ip_dialog_next_field();
                redraw_ip_dialog();
            } else if (key >= SDLK_0 && key <= SDLK_9) {
                if (ip_dialog_digit(key - SDLK_0) == 1) redraw_ip_dialog();
            }
            break;
        }
        case SDL_QUIT:
            quit();
            return;
        default:
            break;
        }
    }
}

void firmware_loop() {
    for (;;) {
        SDL_Event event;
        if (SDL_WaitEvent(&event) != 1) continue;
        switch (event.type) {
        case SDL_KEYDOWN:
            if (event.key.keysym.sym == SDLK_F5) {
                read_firmware_catalogue();
                redraw_firmware_list();
            }
            break;
        case SDL_MOUSEMOTION:
            if (route_motion(event, firmware_toolbar_motion, firmware_list_motion) == 0) redraw_firmware_list();
            break;
        case SDL_MOUSEBUTTONUP:
            if (event.button.button != SDL_BUTTON_LEFT) break;
            if (on_toolbar(event.button.y)) {
                switch (firmware_toolbar_click(event)) {
                case 1:
                    read_firmware_catalogue();
                    redraw_firmware_list();
                    break;
                case 2: AppState = StateSystemList; return;
                default: break;
                }
            } else {
                switch (firmware_list_click(event)) {
                case 0: redraw_firmware_list(); break;
                case 2: AppState = StateUpdateFirmware; return;
                default: break;
                }
            }
            break;
        case SDL_QUIT:
            quit();
            return;
        default:
            break;
        }
    }
}

void update_wait_loop() {
    int32_t frame = 0;
    bool keep_going = true;
    for (;;) {
        SDL_Event event;
        if (SDL_PollEvent(&event) == 1) {
            if (event.type == SDL_MOUSEMOTION) {
                update_screen_motion(event);
            } else if (event.type == SDL_MOUSEBUTTONUP && event.button.button == SDL_BUTTON_LEFT) {
                if (update_screen_click() == 1) {
                    keep_going = false;
                    AppState = StateScan;
                }
            } else if (event.type == SDL_QUIT) {
                keep_going = false;
                quit();
            }
        }
        platform::sleep_ms(FrameDelayMs);
        update_screen_draw(frame);
        SDL_Flip(Screen);
        frame = next_frame(frame);
        if (!keep_going) break;
    }
}

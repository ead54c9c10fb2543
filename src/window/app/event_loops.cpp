#include "app/event_loops.h"

#include "app/state_machine.h"
#include "core_link/chosen_interface.h"
#include "core_link/firmware_catalogue.h"
#include "core_link/update_sequence.h"
#include "platform/platform.h"
#include "screens/firmware_list.h"
#include "screens/interface_list.h"
#include "screens/ip_dialog.h"
#include "screens/scanning_screen.h"
#include "screens/system_list.h"
#include "screens/toolbar.h"
#include "screens/update_screen.h"
#include "toolkit/window_values.h"

#include <cstdio>

namespace {

bool on_toolbar(Uint16 y) { return y <= BarHeight; }

using HitTest = int32_t (*)(const SDL_Event&);

// On the screens with a toolbar, positions with y up to 45 go to the bar.
int32_t route_motion(const SDL_Event& event, HitTest bar, HitTest list) {
    return on_toolbar(event.motion.y) ? bar(event) : list(event);
}

void quit() { Running = 0; }

// What a screen makes of one event.
enum class Handled { Nothing, Redraw, Leave };

// A screen that waits for the user: blocks for each event and hands it to the screen;
// a quit request ends the run.
struct WaitingScreen {
    void (*redraw)();  // draws the screen; the loop presents it
    Handled (*on_event)(const SDL_Event& event);
    const char* wait_error;  // printed when a wait fails; null: nothing
};

void wait_loop(const WaitingScreen& screen) {
    for (;;) {
        SDL_Event event;
        if (SDL_WaitEvent(&event) != 1) {
            if (screen.wait_error) std::printf("%s", screen.wait_error);
            continue;
        }
        if (event.type == SDL_QUIT) {
            quit();
            return;
        }
        switch (screen.on_event(event)) {
        case Handled::Nothing: break;
        case Handled::Redraw:
            screen.redraw();
            SDL_Flip(Screen);
            break;
        case Handled::Leave: return;
        }
    }
}

// A screen that waits for a worker: one frame every 35 ms, at most one event a frame,
// and one last frame after the decision to leave.
struct AnimatedScreen {
    bool (*finished)();  // asked before each frame; null: only an event ends the loop
    int32_t (*draw)(int32_t frame);
    Handled (*on_event)(const SDL_Event& event);  // a quit request included
};

void animation_loop(const AnimatedScreen& screen) {
    int32_t frame = 0;
    bool keep_going = true;
    while (!(screen.finished && screen.finished())) {
        SDL_Event event;
        if (SDL_PollEvent(&event) == 1 && screen.on_event(event) == Handled::Leave) keep_going = false;
        platform::sleep_ms(FrameDelayMs);
        screen.draw(frame);
        SDL_Flip(Screen);
        frame = next_frame(frame);
        if (!keep_going) break;
    }
}

Handled redraw_if(bool changed) { return changed ? Handled::Redraw : Handled::Nothing; }

Handled leave_for(int32_t state) {
    AppState = state;
    return Handled::Leave;
}

bool left_click(const SDL_Event& event) {
    return event.type == SDL_MOUSEBUTTONUP && event.button.button == SDL_BUTTON_LEFT;
}

void redraw_interface_screen() {
    interface_header_draw();
    interface_list_draw();
}

Handled interface_event(const SDL_Event& event) {
    ChosenInterface = -1;
    if (event.type == SDL_MOUSEMOTION) return redraw_if(interface_list_motion(event) == 0);
    if (!left_click(event)) return Handled::Nothing;
    const bool redraw = interface_list_click(event) == 0;
    if (ChosenInterface != -1) return Handled::Leave;
    return redraw_if(redraw);
}

Handled scan_wait_event(const SDL_Event& event) {
    if (event.type != SDL_QUIT) return Handled::Nothing;
    quit();
    return Handled::Leave;
}

bool scan_done() { return ScanDone.load(std::memory_order_acquire) != 0; }

void redraw_system_list() {
    system_list_toolbar_draw();
    system_list_draw();
}

Handled system_list_event(const SDL_Event& event) {
    if (event.type == SDL_KEYDOWN)
        return event.key.keysym.sym == SDLK_F5 ? leave_for(StateScan) : Handled::Nothing;
    if (event.type == SDL_MOUSEMOTION)
        return redraw_if(route_motion(event, system_list_toolbar_motion, system_list_motion) == 0);
    if (!left_click(event)) return Handled::Nothing;
    if (on_toolbar(event.button.y)) {
        switch (system_list_toolbar_click(event)) {
        case 1: return leave_for(StateScan);
        case 2: return leave_for(StateChooseInterface);
        default: return Handled::Nothing;
        }
    }
    switch (system_list_click(event)) {
    case 0: return Handled::Redraw;
    case 2: return leave_for(StateChangeIp);
    case 3: return leave_for(StateChooseFirmware);
    default: return Handled::Nothing;
    }
}

void redraw_ip_dialog() { ip_dialog_draw(); }

Handled ip_change_key(SDLKey key) {
    if (key == SDLK_BACKSPACE || key == SDLK_DELETE) return redraw_if(ip_dialog_backspace() == 1);
    if (key == SDLK_TAB) {
        ip_dialog_next_field();
        return Handled::Redraw;
    }
    if (key >= SDLK_0 && key <= SDLK_9) return redraw_if(ip_dialog_digit(key - SDLK_0) == 1);
    return Handled::Nothing;
}

// The pause lets the system take its address before the scan; a note on what the PC
// needs next (the system left its network) stays on the screen long enough to read.
Handled address_sent() {
    const bool note = ip_dialog_message()[0] != '\0';
    if (note) {
        ip_dialog_draw();
        SDL_Flip(Screen);
    }
    platform::sleep_ms(note ? AddressNotePauseMs : AddressSentPauseMs);
    return leave_for(StateScan);
}

Handled ip_change_event(const SDL_Event& event) {
    switch (event.type) {
    case SDL_MOUSEMOTION: return redraw_if(ip_dialog_hover(event.motion.x, event.motion.y) == 0);
    case SDL_MOUSEBUTTONUP:  // any button
        switch (ip_dialog_click(event.button.x, event.button.y)) {
        case 0: return Handled::Redraw;
        case 1: return leave_for(StateSystemList);
        case 2: return address_sent();
        default: return Handled::Nothing;
        }
    case SDL_KEYDOWN: return ip_change_key(event.key.keysym.sym);
    default: return Handled::Nothing;
    }
}

void redraw_firmware_list() {
    firmware_toolbar_draw();
    firmware_list_draw();
}

Handled firmware_event(const SDL_Event& event) {
    if (event.type == SDL_KEYDOWN) {
        if (event.key.keysym.sym != SDLK_F5) return Handled::Nothing;
        read_firmware_catalogue();
        return Handled::Redraw;
    }
    if (event.type == SDL_MOUSEMOTION)
        return redraw_if(route_motion(event, firmware_toolbar_motion, firmware_list_motion) == 0);
    if (!left_click(event)) return Handled::Nothing;
    if (on_toolbar(event.button.y)) {
        switch (firmware_toolbar_click(event)) {
        case 1: read_firmware_catalogue(); return Handled::Redraw;
        case 2: return leave_for(StateSystemList);
        default: return Handled::Nothing;
        }
    }
    switch (firmware_list_click(event)) {
    case 0: return Handled::Redraw;
    case 2: return leave_for(StateUpdateFirmware);
    default: return Handled::Nothing;
    }
}

// A quit request while the system installs: the run ends, but only once the system has
// taken its reboot request; until then the screen goes on, saying so. A quit before the
// installation stops the update there.
bool ClosingAfterInstall = false;

bool installing() { return UpdateGate.installing(); }

Handled update_wait_event(const SDL_Event& event) {
    if (event.type == SDL_MOUSEMOTION) {
        update_screen_motion(event);
    } else if (left_click(event)) {
        if (update_screen_click() == 1) return leave_for(StateScan);
    } else if (event.type == SDL_QUIT) {
        quit();
        if (UpdateGate.request_stop()) return Handled::Leave;
        ClosingAfterInstall = true;
        update_screen_closing(true);
    }
    return Handled::Nothing;
}

bool closed_after_install() { return ClosingAfterInstall && !installing(); }

}  // namespace

void interface_loop() {
    ChosenInterface = -1;
    wait_loop({redraw_interface_screen, interface_event, nullptr});
}

void scan_wait_loop() { animation_loop({scan_done, scanning_screen_draw, scan_wait_event}); }

void system_list_loop() { wait_loop({redraw_system_list, system_list_event, "SDL_WaitEvent error"}); }

void ip_change_loop() { wait_loop({redraw_ip_dialog, ip_change_event, nullptr}); }

void firmware_loop() { wait_loop({redraw_firmware_list, firmware_event, nullptr}); }

void update_wait_loop() {
    ClosingAfterInstall = false;
    update_screen_closing(false);
    animation_loop({closed_after_install, update_screen_draw, update_wait_event});
}

// The progress screen of a firmware update: the current step's text and a moving
// indicator, then the final text and an Ok button.
#pragma once

#include <SDL.h>

#include <cstdint>

int32_t update_screen_prepare();
int32_t update_screen_draw(int32_t frame);            // frame 0 to 100
int32_t update_screen_motion(const SDL_Event& event); // always 0
int32_t update_screen_click();  // 1 when Ok was clicked after the update ended
// The window was asked to close while the system installs: the screen says it closes
// once the system has its reboot request.
void update_screen_closing(bool closing);
void update_screen_release();

extern int32_t OkHover;

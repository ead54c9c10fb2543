// The firmware choice screen's body: the firmware files, one per row; the chosen row
// carries an Ok button that starts the update.
#pragma once

#include "screens/list_view.h"

#include <SDL.h>

#include <cstdint>

int32_t firmware_list_prepare();
int32_t firmware_list_draw();
int32_t firmware_list_motion(const SDL_Event& event);  // 1 nothing changed, 0 redraw
int32_t firmware_list_click(const SDL_Event& event);   // 0 redraw, 1 nothing, 2 update
void firmware_list_release();

extern ListView FirmwareList;
extern int32_t ApplyHover;

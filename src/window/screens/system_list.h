// The system list screen's body: the systems of the last scan in four columns; the
// selected row carries two bullets, one to change its address, one to update it.
#pragma once

#include "screens/list_view.h"

#include <SDL.h>

#include <cstdint>

int32_t system_list_prepare();
int32_t system_list_draw();
int32_t system_list_motion(const SDL_Event& event);  // 1 nothing changed, 0 redraw
// 0 redraw, 1 nothing, 2 change the address, 3 update the firmware.
int32_t system_list_click(const SDL_Event& event);
void system_list_release();

extern ListView SystemList;
extern int32_t IpBulletHover;
extern int32_t FirmwareBulletHover;

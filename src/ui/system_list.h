#pragma once

#include <SDL.h>

#include <cstdint>

int32_t system_list_prepare();
int32_t system_list_draw();
int32_t system_list_motion(const SDL_Event& event);  // 1 nothing changed, 0 redraw
int32_t system_list_click(const SDL_Event& event);
void system_list_release();

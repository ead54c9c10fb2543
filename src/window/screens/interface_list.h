// The first screen's list: the network interfaces, one click chooses one. A splash
// lies over it until its close box is clicked.
#pragma once

#include "screens/list_view.h"

#include <SDL.h>

#include <cstdint>

int32_t interface_list_prepare();
int32_t interface_list_draw();
int32_t interface_list_motion(const SDL_Event& event);  // 1 nothing changed, 0 redraw
int32_t interface_list_click(const SDL_Event& event);   // 0 redraw, 1 otherwise
void interface_list_release();

extern ListView InterfaceList;
extern int32_t SplashShown;

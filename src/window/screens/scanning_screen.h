// The whole-window picture shown while a scan runs: a waiting text and an indicator
// that moves from left to right.
#pragma once

#include <cstdint>

int32_t scanning_screen_prepare();
int32_t scanning_screen_draw(int32_t frame);  // frame 0 to 100
void scanning_screen_release();

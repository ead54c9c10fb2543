// A headless screen for tests: SDL's dummy video driver, the real fonts and images
// from the run-time directory, every screen prepared, and helpers to inject events
// and read pixels back from Screen.
#pragma once

#include "toolkit/window_values.h"

#include <gtest/gtest.h>

#include <SDL.h>

class ScreenTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;  // resets the process-wide values to their start-up values
};

Rgb pixel_at(int x, int y);
bool same_colour(Rgb a, Rgb b);
std::ostream& operator<<(std::ostream& out, const Rgb& c);

SDL_Event motion_event(int x, int y);
SDL_Event button_event(int x, int y, Uint8 button = SDL_BUTTON_LEFT);

void push_motion(int x, int y);
void push_button_up(int x, int y, Uint8 button = SDL_BUTTON_LEFT);
void push_key(SDLKey key);
void push_quit();
void drain_events();

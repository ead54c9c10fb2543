// One control's place on the screen: the one rectangle that both draws it and takes the
// pointer for it, so the two can never drift apart. Its edges belong to no control: a
// point is inside only strictly between them.
#pragma once

#include <SDL.h>

struct ControlRect {
    int x, y, w, h;

    bool contains(int px, int py) const { return x < px && px < x + w && y < py && py < y + h; }
    // For the bars' buttons: the event loop hands a bar only the positions of its own rows.
    bool spans_x(int px) const { return x < px && px < x + w; }
    // The same rectangle moved by (dx, dy).
    ControlRect moved(int dx, int dy) const { return {x + dx, y + dy, w, h}; }
};

// Draws source with its top-left corner at the rectangle's, moved by (dx, dy).
void blit_in(SDL_Surface* source, const ControlRect& rect, int dx = 0, int dy = 0);

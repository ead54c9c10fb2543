// The screen that gives the selected system a new IPv4 address.
#pragma once

#include <cstdint>

int32_t ip_dialog_init();
void ip_dialog_open();
int32_t ip_dialog_draw();
int32_t ip_dialog_click(int32_t x, int32_t y);  // 0 redraw, 1 back, 2 address sent
int32_t ip_dialog_hover(int32_t x, int32_t y);  // 1 nothing changed, 0 redraw
int32_t ip_dialog_backspace();                  // 1 a digit was removed
int32_t ip_dialog_digit(int32_t digit);         // 1 the digit was appended
int32_t ip_dialog_next_field();
int32_t ip_dialog_validate();                   // 0 all four fields valid, -1 otherwise
void ip_dialog_release();

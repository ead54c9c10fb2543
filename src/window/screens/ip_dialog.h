// The screen that gives the selected system a new IPv4 address: four octet fields,
// an apply button, and one IPADDR command sent to the system's own MAC and address.
#pragma once

#include <cstddef>
#include <cstdint>

int32_t ip_dialog_init();
void ip_dialog_open();
int32_t ip_dialog_draw();
// 0 redraw, 1 back, 2 address sent. Before sending, the new address is probed on the
// chosen interface: one in use keeps the dialog open, with the reason in its message.
int32_t ip_dialog_click(int32_t x, int32_t y);
int32_t ip_dialog_hover(int32_t x, int32_t y);  // 1 nothing changed, 0 redraw
int32_t ip_dialog_backspace();                  // 1 a digit was removed
int32_t ip_dialog_digit(int32_t digit);         // 1 the digit was appended
int32_t ip_dialog_next_field();
int32_t ip_dialog_validate();                   // 0 all four fields valid, -1 otherwise
void ip_dialog_release();

// What the dialog says below its fields: why the address was refused, or after sending,
// what the PC needs to reach the system again. Empty when nothing.
const char* ip_dialog_message();

constexpr size_t OctetFieldSize = 64;
extern char OctetFields[4][OctetFieldSize];
extern int32_t OctetFocus;
extern int32_t BackHover;
extern int32_t ApplyButtonHover;

// Fills the fields from dotted text: each gets "0", then the parts of 1 to 3
// characters between the dots, up to the first part that is not.
void split_address(const char* ip_text);

// The IPADDR command for the fields' address, each octet without leading zeros, into
// out; empty when the fields are not valid.
void format_ipaddr_command(char* out, size_t size);

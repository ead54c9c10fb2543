// The row-list scheme shared by the interface, system and firmware lists: the list
// area under the bar, a column title bar, 15 row slots of 35 pixels, and up and down
// buttons that scroll by one row. Each view adds its own columns, rows and selection.
#pragma once

#include "toolkit/sdl_owners.h"
#include "toolkit/window_values.h"

#include <functional>
#include <vector>

constexpr int ListTop = 45;
constexpr int ListWidth = ScreenWidth;
constexpr int RowSlots = 15;
constexpr int RowHeight = 35;
constexpr int TitleBarHeight = 30;
constexpr int UpBandTop = 75;     // the up button's band, y 75 to 109
constexpr int DownBandTop = 565;  // the down button's band, y 565 to 599
constexpr int ArrowX = ListWidth / 2 - 16;

constexpr Rgb TitleBarColour{207, 225, 243};
constexpr Rgb EvenRowColour{221, 224, 227};
constexpr Rgb OddRowColour{240, 240, 240};
constexpr Rgb ChosenRowColour{228, 250, 163};
constexpr Rgb White{255, 255, 255};

// When the down button shows: the system and interface lists keep a row for it only
// when more rows remain than fit; the firmware list shows it from 15 names on.
enum class DownRule { MoreThanFit, FifteenOrMore };

// Scroll and button state of a list holding count entries, first shown at first.
struct ListGeometry {
    int32_t count;
    int32_t first;
    DownRule rule;

    bool up_shown() const { return first > 0; }
    bool down_shown() const;
    int slots_in_use() const { return RowSlots - (up_shown() ? 1 : 0) - (down_shown() ? 1 : 0); }
    int row_top(int slot) const { return UpBandTop + RowHeight * slot + (up_shown() ? RowHeight : 0); }
    // The slot whose band holds y strictly inside it, or -1 (edges belong to none).
    int slot_at(int y) const;
    bool in_up_band(int y) const { return up_shown() && UpBandTop < y && y < UpBandTop + RowHeight; }
    bool in_down_band(int y) const { return down_shown() && y > DownBandTop; }
};

struct Title {
    SurfacePtr image;  // a column title's text, or a column icon
    int x, y;
};

struct ListView {
    ListView(DownRule down_rule, int32_t drawn_limit) : rule(down_rule), limit(drawn_limit) {}

    DownRule rule;
    int32_t limit;  // records from this index on are never drawn
    int32_t FirstVisible = 0;
    int32_t UpHover = 0;
    int32_t DownHover = 0;

    SurfacePtr background, title_bar, underline;
    std::vector<Title> titles;  // text and column icons of the title bar
    SurfacePtr slots[RowSlots], separators[RowSlots];
    SurfacePtr up_face, down_face, up_top_line, up_bottom_line, down_top_line;
    SurfacePtr up, up_high, down, down_high;

    ListGeometry geometry(int32_t count) const { return {count, FirstVisible, rule}; }
};

// Preparation, in the order the views make their resources.
void list_prepare_frame(ListView& view);
void list_prepare_slots(ListView& view);
void list_prepare_buttons(ListView& view);  // "SDL_LoadBMP error" when an arrow is missing
void list_release(ListView& view);

// Draws the whole list: background, title bar with its titles and icons, underline,
// the up button, each visible entry through draw_row(slot, index), the down button.
void list_draw(const ListView& view, int32_t count, const std::function<void(int, int32_t)>& draw_row);
// A row's frame: its slot filled with colour, then (after its texts) its separator.
void list_begin_row(const ListView& view, int32_t count, int slot, Rgb colour);
void list_end_row(const ListView& view, int32_t count, int slot);
// The even/odd slot shade, or the chosen colour.
inline Rgb row_colour(int slot, bool chosen) {
    return chosen ? ChosenRowColour : slot % 2 == 0 ? EvenRowColour : OddRowColour;
}

// Sets UpHover and DownHover from a pointer at y; true when either changed.
bool list_hover_buttons(ListView& view, int32_t count, int y);
// Scrolls by one on a click in a button band; true when it did.
bool list_click_buttons(ListView& view, int32_t count, int y);

// Replaces a cached row text: the old surface is freed before the new one is made.
SDL_Surface* render_cell(SurfacePtr& cache, TTF_Font* font, const char* text);
// Opens the regular face at 13 points for the lists' small texts.
FontPtr open_small_font();

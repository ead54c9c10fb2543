#include "screens/list_view.h"

#include "toolkit/drawing.h"
#include "toolkit/resource_path.h"

#include <cstdio>

bool ListGeometry::down_shown() const {
    if (rule == DownRule::FifteenOrMore) return count >= first + RowSlots;
    return count > first + RowSlots - (up_shown() ? 1 : 0);
}

int ListGeometry::slot_at(int y) const {
    for (int s = 0; s < RowSlots; ++s) {
        const int top = row_top(s);
        if (top < y && y < top + RowHeight) return s;
    }
    return -1;
}

void list_prepare_frame(ListView& view) {
    view.background = make_filled_surface(ListWidth, ScreenHeight - ListTop, BackgroundColour);
    view.title_bar = make_filled_surface(ListWidth, TitleBarHeight, TitleBarColour);
    view.underline = make_filled_surface(ListWidth, 1, White);
}

void list_prepare_slots(ListView& view) {
    for (int s = 0; s < RowSlots; ++s) {
        view.slots[s] = make_filled_surface(ListWidth, RowHeight, EvenRowColour);
        view.separators[s] = make_filled_surface(ListWidth, 1, White);
    }
}

void list_prepare_buttons(ListView& view) {
    view.up = load_image("%s/img/navigate_up.bmp");
    view.up_high = load_image("%s/img/navigate_up_high.bmp");
    view.down = load_image("%s/img/navigate_down.bmp");
    view.down_high = load_image("%s/img/navigate_down_high.bmp");
    if (!view.up || !view.down) std::printf("SDL_LoadBMP error\n");
    view.up_face = make_filled_surface(ListWidth, RowHeight, White);
    view.down_face = make_filled_surface(ListWidth, RowHeight, White);
    view.up_top_line = make_filled_surface(ListWidth, 1, SeparatorColour);
    view.up_bottom_line = make_filled_surface(ListWidth, 1, SeparatorColour);
    view.down_top_line = make_filled_surface(ListWidth, 1, SeparatorColour);
}

void list_release(ListView& view) {
    ListView fresh(view.rule, view.limit);
    fresh.FirstVisible = view.FirstVisible;
    fresh.UpHover = view.UpHover;
    fresh.DownHover = view.DownHover;
    view = std::move(fresh);
}

namespace {

void list_draw_top(const ListView& view, int32_t count) {
    blit(view.background.get(), 0, ListTop);
    blit(view.title_bar.get(), 0, ListTop);
    for (const Title& title : view.titles) blit(title.image.get(), title.x, title.y);
    blit(view.underline.get(), 0, ListTop + TitleBarHeight - 1);
    if (view.geometry(count).up_shown()) {
        blit(view.up_face.get(), 0, UpBandTop);
        blit(view.up_top_line.get(), 0, UpBandTop);
        blit(view.up_bottom_line.get(), 0, UpBandTop + RowHeight - 1);
        blit(view.UpHover == 1 ? view.up_high.get() : view.up.get(), ArrowX, UpBandTop + 1);
    }
}

// Entries from FirstVisible up to this index are drawn: within the slots in use and limit.
int32_t list_visible_end(const ListView& view, int32_t count) {
    const ListGeometry g = view.geometry(count);
    int32_t end = g.first + g.slots_in_use();
    if (end > count) end = count;
    if (end > view.limit) end = view.limit;
    return end;
}

void list_draw_bottom(const ListView& view, int32_t count) {
    if (!view.geometry(count).down_shown()) return;
    blit(view.down_face.get(), 0, DownBandTop);
    blit(view.down_top_line.get(), 0, DownBandTop);
    blit(view.DownHover == 1 ? view.down_high.get() : view.down.get(), ArrowX, DownBandTop + 1);
}

}  // namespace

void list_draw(const ListView& view, int32_t count, const std::function<void(int, int32_t)>& draw_row) {
    list_draw_top(view, count);
    const int32_t first = view.FirstVisible;
    for (int32_t i = first; i < list_visible_end(view, count); ++i) draw_row(static_cast<int>(i - first), i);
    list_draw_bottom(view, count);
}

void list_begin_row(const ListView& view, int32_t count, int slot, Rgb colour) {
    fill_surface(view.slots[slot].get(), colour);
    fill_surface(view.separators[slot].get(), White);
    blit(view.slots[slot].get(), 0, view.geometry(count).row_top(slot));
}

void list_end_row(const ListView& view, int32_t count, int slot) {
    blit(view.separators[slot].get(), 0, view.geometry(count).row_top(slot) + RowHeight - 1);
}

bool list_hover_buttons(ListView& view, int32_t count, int y) {
    const int32_t old_up = view.UpHover, old_down = view.DownHover;
    const ListGeometry g = view.geometry(count);
    view.DownHover = g.in_down_band(y) ? 1 : 0;
    view.UpHover = g.in_up_band(y) ? 1 : 0;
    return view.UpHover != old_up || view.DownHover != old_down;
}

bool list_click_buttons(ListView& view, int32_t count, int y) {
    const ListGeometry g = view.geometry(count);
    if (g.in_down_band(y)) {
        ++view.FirstVisible;
        return true;
    }
    if (g.in_up_band(y)) {
        --view.FirstVisible;
        return true;
    }
    return false;
}

SDL_Surface* render_cell(SurfacePtr& cache, TTF_Font* font, const char* text) {
    cache.reset();
    cache = render_text(font, text);
    return cache.get();
}

FontPtr open_small_font() { return open_resource_font("%s/font/sheep.ttf", 13); }

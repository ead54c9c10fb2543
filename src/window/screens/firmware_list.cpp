#include "screens/firmware_list.h"

#include "core_link/firmware_catalogue.h"
#include "core_link/system_table.h"
#include "core_link/update_status.h"
#include "toolkit/control_rect.h"
#include "toolkit/drawing.h"

#include <cstdio>

ListView FirmwareList{DownRule::FifteenOrMore, FirmwareTableSize};
int32_t ApplyHover = 0;

namespace {

// The chosen row's Ok button: the pointer acts over its width in the row's whole band;
// the image sits 7 pixels below the band's top, its text 9 right and 12 down.
ControlRect apply_button(int row_top) { return {ListWidth - 50, row_top, 40, RowHeight}; }

struct FirmwareListResources {
    SurfacePtr ok_text;
    SurfacePtr apply, apply_high;
    FontPtr small_font;
    SurfacePtr names[RowSlots];
};

FirmwareListResources Res;

void draw_row(int slot, int32_t index) {
    const int32_t n = FirmwareCount;
    const bool chosen = index == ChosenFirmware;
    list_begin_row(FirmwareList, n, slot, row_colour(slot, chosen));
    const int top = FirmwareList.geometry(n).row_top(slot);
    blit(render_cell(Res.names[slot], Res.small_font.get(), FirmwareNames[index]), 5, top + 13);
    if (chosen) {
        blit_in(ApplyHover == 1 ? Res.apply_high.get() : Res.apply.get(), apply_button(top), 0, 7);
        blit_in(Res.ok_text.get(), apply_button(top), 9, 12);
    }
    list_end_row(FirmwareList, n, slot);
}

// The slot that shows a name with y strictly inside its band, or -1.
int named_slot_at(int y) {
    const int32_t n = FirmwareCount;
    const ListGeometry g = FirmwareList.geometry(n);
    const int slot = g.slot_at(y);
    if (slot < 0 || slot >= g.slots_in_use()) return -1;
    const int32_t i = g.first + slot;
    return (i < n && i < FirmwareList.limit) ? slot : -1;
}

void announce_update() {
    const SystemRecord* system = selected_system();
    const char* address = system ? system->ip_text : "";
    std::printf("Upload firmware : %s to system : %s \n", firmware_file_path(FirmwareNames[ChosenFirmware]).c_str(),
                address);
}

}  // namespace

int32_t firmware_list_prepare() {
    list_prepare_frame(FirmwareList);
    FirmwareList.titles.clear();
    FirmwareList.titles.push_back({render_text(BoldFont, "Firmware"), 5, ListTop + 8});
    Res.ok_text = render_text(RegularFont, "Ok");
    Res.apply = load_image("%s/img/apply.bmp");
    Res.apply_high = load_image("%s/img/applyhigh.bmp");
    set_white_key(Res.apply.get());
    set_white_key(Res.apply_high.get());
    list_prepare_slots(FirmwareList);
    list_prepare_buttons(FirmwareList);
    Res.small_font = open_small_font();
    return 0;
}

int32_t firmware_list_draw() {
    list_draw(FirmwareList, FirmwareCount, draw_row);
    return 0;
}

int32_t firmware_list_motion(const SDL_Event& event) {
    const int x = event.motion.x, y = event.motion.y;
    const int32_t old_apply = ApplyHover;
    const bool buttons_changed = list_hover_buttons(FirmwareList, FirmwareCount, y);
    ApplyHover = 0;
    const int slot = named_slot_at(y);
    if (ChosenFirmware != -1 && slot >= 0 && FirmwareList.FirstVisible + slot == ChosenFirmware) {
        const int top = FirmwareList.geometry(FirmwareCount).row_top(slot);
        ApplyHover = apply_button(top).contains(x, y) ? 1 : 0;
    }
    return (buttons_changed || ApplyHover != old_apply) ? 0 : 1;
}

int32_t firmware_list_click(const SDL_Event& event) {
    if (list_click_buttons(FirmwareList, FirmwareCount, event.button.y)) return 0;
    const int slot = named_slot_at(event.button.y);
    if (slot < 0) return 1;
    const int32_t i = FirmwareList.FirstVisible + slot;
    if (i != ChosenFirmware) {
        ChosenFirmware = i;
        return 0;
    }
    if (ApplyHover != 1) return 1;
    announce_update();
    UpdateStatus.store(1, std::memory_order_release);
    return 2;
}

void firmware_list_release() {
    list_release(FirmwareList);
    Res = FirmwareListResources{};
}

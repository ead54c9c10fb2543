#include "screens/system_list.h"

#include "core_link/system_table.h"
#include "toolkit/control_rect.h"
#include "toolkit/drawing.h"

ListView SystemList{DownRule::MoreThanFit, 100};
int32_t IpBulletHover = 0;
int32_t FirmwareBulletHover = 0;

namespace {

// A bullet takes the pointer over its column's width of the selected row's whole band,
// and is drawn 5 pixels below the band's top.
constexpr int BulletWidth = 24;
constexpr int BulletDrop = 5;
constexpr int IpTextX = 365;
constexpr int IpBulletX = 475;
constexpr int IpBulletGap = 2;  // the image's own transparent columns add to it

// The IP bullet keeps its column's place unless the address reaches past it: then it
// follows the text, so no digit is hidden. After "255.255.255.255" it still ends left
// of the firmware column.
ControlRect ip_bullet(int row_top, const SystemRecord& record) {
    const int text_end = IpTextX + text_width(RegularFont, record.ip_text);
    const int x = text_end <= IpBulletX ? IpBulletX : text_end + IpBulletGap;
    return {x, row_top, BulletWidth, RowHeight};
}
ControlRect firmware_bullet(int row_top) { return {755, row_top, BulletWidth, RowHeight}; }

struct SystemListResources {
    SurfacePtr bullet, bullet_high;
    SurfacePtr cells[4][RowSlots];
};

SystemListResources Res;

SDL_Surface* bullet_image(int32_t hover) {
    return hover == 1 ? Res.bullet_high.get() : Res.bullet.get();
}

void draw_row(int slot, int32_t index) {
    const int32_t n = SystemCount;
    const SystemRecord& record = SystemTable[index];
    const bool selected = index == SelectedSystem;
    list_begin_row(SystemList, n, slot, row_colour(slot, selected));
    const int top = SystemList.geometry(n).row_top(slot);
    const char* texts[4] = {record.type_text, record.serial_text, record.ip_text, record.firmware_text};
    const int xs[4] = {5, 165, IpTextX, 565};
    for (int c = 0; c < 4; ++c) {
        blit(render_cell(Res.cells[c][slot], RegularFont, texts[c]), xs[c], top + 10);
        if (selected && c == 2) blit_in(bullet_image(IpBulletHover), ip_bullet(top, record), 0, BulletDrop);
        if (selected && c == 3) blit_in(bullet_image(FirmwareBulletHover), firmware_bullet(top), 0, BulletDrop);
    }
    list_end_row(SystemList, n, slot);
}

}  // namespace

int32_t system_list_prepare() {
    list_prepare_frame(SystemList);
    SystemList.titles.clear();
    const char* names[4] = {"Type", "Serial Number", "IP Address", "Firmware"};
    const int xs[4] = {5, 165, 390, 590};
    for (int c = 0; c < 4; ++c) SystemList.titles.push_back({render_text(BoldFont, names[c]), xs[c], ListTop + 8});
    SystemList.titles.push_back({load_image("%s/img/address_book_edit.bmp"), 365, ListTop + 5});
    SystemList.titles.push_back({load_image("%s/img/flash_yellow.bmp"), 565, ListTop + 5});
    Res.bullet = load_image("%s/img/bullet_blue.bmp");
    Res.bullet_high = load_image("%s/img/bullet_gray.bmp");
    set_white_key(Res.bullet.get());
    set_white_key(Res.bullet_high.get());
    list_prepare_slots(SystemList);
    list_prepare_buttons(SystemList);
    return 0;
}

int32_t system_list_draw() {
    list_draw(SystemList, SystemCount, draw_row);
    return 0;
}

int32_t system_list_motion(const SDL_Event& event) {
    const int x = event.motion.x, y = event.motion.y;
    const int32_t old_ip = IpBulletHover, old_firmware = FirmwareBulletHover;
    const bool buttons_changed = list_hover_buttons(SystemList, SystemCount, y);
    IpBulletHover = FirmwareBulletHover = 0;
    if (SelectedSystem >= 0 && SelectedSystem < SystemCount) {
        // The selected row's band, whether or not that row is on screen.
        const int top = SystemList.geometry(SystemCount).row_top(SelectedSystem - SystemList.FirstVisible);
        IpBulletHover = ip_bullet(top, SystemTable[SelectedSystem]).contains(x, y) ? 1 : 0;
        FirmwareBulletHover = firmware_bullet(top).contains(x, y) ? 1 : 0;
    }
    const bool bullets_changed = IpBulletHover != old_ip || FirmwareBulletHover != old_firmware;
    return (buttons_changed || bullets_changed) ? 0 : 1;
}

int32_t system_list_click(const SDL_Event& event) {
    const int32_t n = SystemCount;
    if (list_click_buttons(SystemList, n, event.button.y)) return 0;
    const int slot = SystemList.geometry(n).slot_at(event.button.y);
    if (slot < 0) return 1;
    const int32_t i = SystemList.FirstVisible + slot;
    if (i >= n || i >= SystemList.limit) return 1;
    if (i != SelectedSystem) {
        SelectedSystem = i;
        return 0;
    }
    if (IpBulletHover == 1) return 2;
    if (FirmwareBulletHover == 1) return 3;
    return 1;
}

void system_list_release() {
    list_release(SystemList);
    Res = SystemListResources{};
}

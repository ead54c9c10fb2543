#include "screens/interface_list.h"

#include "core_link/chosen_interface.h"
#include "core_link/interface_catalogue.h"
#include "toolkit/control_rect.h"
#include "toolkit/drawing.h"

ListView InterfaceList{DownRule::MoreThanFit, 100};
int32_t SplashShown = 1;

namespace {

constexpr int SplashX = (ListWidth - 388) / 2;  // the splash is 388 wide
constexpr int SplashY = ListTop + 98;
// The × drawn in the splash's top right corner.
constexpr ControlRect SplashCloseBox{SplashX + 365, SplashY + 2, 20, 19};

struct InterfaceListResources {
    SurfacePtr splash;
    FontPtr small_font;
    SurfacePtr descriptions[RowSlots], addresses[RowSlots], netmasks[RowSlots];
};

InterfaceListResources Res;

void draw_row(int slot, const InterfaceRecord& record) {
    const int32_t n = InterfaceCount;
    list_begin_row(InterfaceList, n, slot, row_colour(slot, false));
    const int top = InterfaceList.geometry(n).row_top(slot);
    blit(render_cell(Res.descriptions[slot], Res.small_font.get(), record.description), 5, top + 13);
    blit(render_cell(Res.addresses[slot], RegularFont, record.ip_text), 525, top + 10);
    blit(render_cell(Res.netmasks[slot], RegularFont, record.netmask_text), 675, top + 10);
    list_end_row(InterfaceList, n, slot);
}

}  // namespace

int32_t interface_list_prepare() {
    list_prepare_frame(InterfaceList);
    InterfaceList.titles.clear();
    InterfaceList.titles.push_back({render_text(BoldFont, "Description"), 5, ListTop + 8});
    InterfaceList.titles.push_back({render_text(BoldFont, "IP Address"), 525, ListTop + 8});
    InterfaceList.titles.push_back({render_text(BoldFont, "Netmask"), 675, ListTop + 8});
    list_prepare_slots(InterfaceList);
    list_prepare_buttons(InterfaceList);
    Res.splash = load_image("%s/img/splash.bmp");
    Res.small_font = open_small_font();
    return 0;
}

int32_t interface_list_draw() {
    list_draw(InterfaceList, InterfaceCount, [](int slot, int32_t i) { draw_row(slot, InterfaceTable[i]); });
    if (SplashShown == 1) blit(Res.splash.get(), SplashX, SplashY);
    return 0;
}

int32_t interface_list_motion(const SDL_Event& event) {
    return list_hover_buttons(InterfaceList, InterfaceCount, event.motion.y) ? 0 : 1;
}

int32_t interface_list_click(const SDL_Event& event) {
    const int x = event.button.x, y = event.button.y;
    const int32_t n = InterfaceCount;
    if (SplashShown == 1) {
        if (!SplashCloseBox.contains(x, y)) return 1;
        SplashShown = 0;
        return 0;
    }
    if (list_click_buttons(InterfaceList, n, y)) return 0;
    const int slot = InterfaceList.geometry(n).slot_at(y);
    const int32_t i = InterfaceList.FirstVisible + slot;
    if (slot >= 0 && i < n && i < InterfaceList.limit) ChosenInterface = i;
    return 1;
}

void interface_list_release() {
    list_release(InterfaceList);
    Res = InterfaceListResources{};
}

#include "screens/toolbar.h"

#include "toolkit/control_rect.h"
#include "toolkit/drawing.h"

#include <cstdio>
#include <initializer_list>
#include <string>

BarFrame SharedBar;
static BarFrame FirmwareBar;

Toolbar SystemListToolbar{
    &SharedBar,
    "Click on the system you want to configure, and select an action (click on the bullet).",
    {}, {}, {}, {}, {}};
Toolbar FirmwareToolbar{
    &FirmwareBar,
    "Select the firmware you want to load by clicking on it, then click on Ok.",
    {}, {}, {}, {}, {}};

static const char* const InterfaceHintText =
    "Choose by clicking on it the network interface that you want to use.";
static BarHint InterfaceHint;

namespace {

void bar_frame_prepare(BarFrame& frame) {
    frame.background = make_filled_surface(ScreenWidth, BarHeight, BackgroundColour);
    frame.separator = make_filled_surface(ScreenWidth, 1, SeparatorColour);
    frame.position.x = 0;
    frame.position.y = 0;
    frame.height = BarHeight;
}

constexpr int HintTop = 14;      // a one-line hint's place in its bar
constexpr int HintMargin = 10;   // kept free at the window's right edge

// A hint wider than the room right of x wraps, so no word is cut off at the window's
// edge. The bar holds two lines above its separator.
BarHint make_hint(const char* text, int x) {
    BarHint hint{{}, x};
    for (const std::string& line : wrap_text(BoldFont, text, ScreenWidth - x - HintMargin))
        hint.lines.push_back(render_text(BoldFont, line.c_str()));
    return hint;
}

// One line keeps its place; several are centred in the band above the separator.
void draw_hint(const BarHint& hint, const BarFrame& frame) {
    const int count = static_cast<int>(hint.lines.size());
    const int skip = BoldFont ? TTF_FontLineSkip(BoldFont) : 18;
    const int height = BoldFont ? TTF_FontHeight(BoldFont) : 18;
    const int top = count <= 1 ? HintTop : (frame.height - 1 - (count - 1) * skip - height) / 2;
    for (int i = 0; i < count; ++i)
        blit(hint.lines[i].get(), frame.position.x + hint.x, frame.position.y + top + i * skip);
}

void bar_frame_draw(const BarFrame& frame) {
    blit(frame.background.get(), frame.position.x, frame.position.y);
    blit(frame.separator.get(), frame.position.x, frame.position.y + frame.height - 1);
}

int32_t toolbar_prepare(Toolbar& bar) {
    bar_frame_prepare(*bar.frame);
    bar.hint = make_hint(bar.hint_text, 150);
    bar.rescan = load_image("%s/img/rescan.bmp");
    bar.back = load_image("%s/img/left.bmp");
    bar.rescan_high = load_image("%s/img/rescanhigh.bmp");
    bar.back_high = load_image("%s/img/lefthigh.bmp");
    if (bar.rescan && bar.back) {
        set_white_key(bar.rescan.get());
        return 0;
    }
    std::printf("SDL_LoadBMP error\n");
    return -1;
}

// The buttons' places on a bar; a bar takes only its own rows, so only x is tested.
ControlRect back_button(const Toolbar& bar) { return ControlRect{5, 2, 40, 40}.moved(bar.frame->position.x, bar.frame->position.y); }
ControlRect rescan_button(const Toolbar& bar) {
    return ControlRect{50, 2, 40, 40}.moved(bar.frame->position.x, bar.frame->position.y);
}

int32_t toolbar_draw(const Toolbar& bar) {
    const BarFrame& frame = *bar.frame;
    bar_frame_draw(frame);
    blit_in(bar.RescanHover == 1 ? bar.rescan_high.get() : bar.rescan.get(), rescan_button(bar));
    blit_in(bar.BackHover == 1 ? bar.back_high.get() : bar.back.get(), back_button(bar));
    draw_hint(bar.hint, frame);
    return 0;
}

bool over_rescan(const Toolbar& bar, int px) { return rescan_button(bar).spans_x(px); }
bool over_back(const Toolbar& bar, int px) { return back_button(bar).spans_x(px); }

int32_t toolbar_motion(Toolbar& bar, int px) {
    const int32_t old_rescan = bar.RescanHover, old_back = bar.BackHover;
    bar.RescanHover = over_rescan(bar, px) ? 1 : 0;
    bar.BackHover = over_back(bar, px) ? 1 : 0;
    return (bar.RescanHover == old_rescan && bar.BackHover == old_back) ? 1 : 0;
}

int32_t toolbar_click(Toolbar& bar, int px) {
    if (over_rescan(bar, px)) {
        bar.RescanHover = 0;
        return 1;
    }
    if (over_back(bar, px)) {
        bar.BackHover = 0;
        return 2;
    }
    return 0;
}

}  // namespace

int32_t system_list_toolbar_prepare() { return toolbar_prepare(SystemListToolbar); }
int32_t system_list_toolbar_draw() { return toolbar_draw(SystemListToolbar); }
int32_t system_list_toolbar_motion(const SDL_Event& event) {
    return toolbar_motion(SystemListToolbar, event.motion.x);
}
int32_t system_list_toolbar_click(const SDL_Event& event) {
    return toolbar_click(SystemListToolbar, event.button.x);
}

int32_t firmware_toolbar_prepare() { return toolbar_prepare(FirmwareToolbar); }
int32_t firmware_toolbar_draw() { return toolbar_draw(FirmwareToolbar); }
int32_t firmware_toolbar_motion(const SDL_Event& event) {
    return toolbar_motion(FirmwareToolbar, event.motion.x);
}
int32_t firmware_toolbar_click(const SDL_Event& event) {
    return toolbar_click(FirmwareToolbar, event.button.x);
}

int32_t interface_header_prepare() {
    bar_frame_prepare(SharedBar);
    InterfaceHint = make_hint(InterfaceHintText, 5);
    return 0;
}

int32_t interface_header_draw() {
    const BarFrame& frame = SharedBar;
    blit(frame.background.get(), frame.position.x, frame.position.y);
    draw_hint(InterfaceHint, frame);
    blit(frame.separator.get(), frame.position.x, frame.position.y + frame.height - 1);
    return 0;
}

void toolbars_release() {
    for (Toolbar* bar : {&SystemListToolbar, &FirmwareToolbar}) {
        bar->hint.lines.clear();
        bar->rescan.reset();
        bar->back.reset();
        bar->rescan_high.reset();
        bar->back_high.reset();
    }
    for (BarFrame* frame : {&SharedBar, &FirmwareBar}) {
        frame->background.reset();
        frame->separator.reset();
    }
    InterfaceHint.lines.clear();
}

#include "screens/ip_dialog.h"

#include "core_link/chosen_interface.h"
#include "core_link/print_diagnostic.h"
#include "core_link/system_table.h"
#include "discovery/address_change.h"
#include "discovery/address_check.h"
#include "discovery/interface_list.h"
#include "toolkit/control_rect.h"
#include "toolkit/drawing.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

char OctetFields[4][OctetFieldSize] = {};
int32_t OctetFocus = -1;
int32_t BackHover = 0;
int32_t ApplyButtonHover = 0;

namespace {

constexpr Rgb FocusColour{228, 250, 163};
constexpr int MaxDigits = 3;

struct IpDialogResources {
    SurfacePtr back, back_high, apply, apply_high, apply_disabled;
    SurfacePtr instruction, new_ip, ok;
    SurfacePtr separator;
    SurfacePtr boxes[4];
    SurfacePtr old_address;
    SurfacePtr field_texts[4];
    std::vector<SurfacePtr> message_lines;  // why the address was refused, or what to do next
};

std::string Message;

IpDialogResources Res;

constexpr ControlRect BackButton{5, 2, 40, 40};
constexpr ControlRect ApplyButton{400, 150, 50, 25};
constexpr ControlRect field_box(int i) { return {100 + 60 * i, 150, 40, 20}; }
constexpr int MessageX = 10, MessageY = 200, MessageLineHeight = 22;

bool focused() { return OctetFocus >= 0 && OctetFocus <= 3; }

void render_fields() {
    for (int i = 0; i < 4; ++i) {
        Res.field_texts[i].reset();
        Res.field_texts[i] = render_text(RegularFont, OctetFields[i]);
    }
}

// The fields joined into an address text, as talvo reads one.
std::string fields_text() {
    return std::string(OctetFields[0]) + "." + OctetFields[1] + "." + OctetFields[2] + "." + OctetFields[3];
}

// The octets the command carries: the fields' numbers without leading zeros, so the
// system takes the address that was probed however it reads "010".
struct CommandOctets {
    CommandOctets() = default;
    CommandOctets(const CommandOctets&) = delete;  // texts point into this one's octets
    CommandOctets& operator=(const CommandOctets&) = delete;
    char octets[4][4] = {};
    const char* texts[4] = {octets[0], octets[1], octets[2], octets[3]};
};

bool command_octets(CommandOctets* out) {
    std::string why;
    return parse_new_address(fields_text().c_str(), out->octets, &why);
}

Ipv4Address field_address() {
    Ipv4Address address{};
    for (size_t i = 0; i < 4; ++i) address[i] = static_cast<uint8_t>(std::atoi(OctetFields[i]));
    return address;
}

void show_message(const std::string& text) {
    Message = text;
    Res.message_lines.clear();
    for (const std::string& line : wrap_text(RegularFont, text, ScreenWidth - 2 * MessageX))
        Res.message_lines.push_back(render_text(RegularFont, line.c_str()));
}

// Why the fields' address must not be sent (another host, the PC or another listed
// system holds it, or that could not be checked); empty when it may. The probe takes
// under a second, which the screen waits out as it waits the pause after sending.
std::string address_in_use() {
    const SystemRecord* system = selected_system();
    const InterfaceRecord* nic = chosen_interface();
    if (!system || !nic) return "";
    const Ipv4Address address = field_address();
    const ProbeReport probe = probe_addresses(*nic, {address}, {}, print_diagnostic);
    std::vector<PcAddress> own;
    read_pc_addresses(&own);  // the chosen interface's own addresses are checked all the same
    const AddressSurroundings around{nic, SystemTable, static_cast<size_t>(std::max(SystemCount, 0)), &probe, &own};
    return address_refusal(address, system_mac(*system), around);
}

// The command goes to the system's own MAC and current address, never to a broadcast.
void send_new_address() {
    const SystemRecord* system = selected_system();
    const InterfaceRecord* nic = chosen_interface();
    CommandOctets command;
    if (!system || !nic || !command_octets(&command)) return;
    send_ipaddr(*nic, *system, command.texts);
    const std::string note = leaving_network_note(*nic, field_address());
    if (!note.empty()) show_message("Address sent. " + note + ".");
}

}  // namespace

void split_address(const char* ip_text) {
    for (auto& field : OctetFields) std::snprintf(field, OctetFieldSize, "0");
    const char* part = ip_text;
    for (int i = 0; i < 4; ++i) {
        const char* dot = i < 3 ? std::strchr(part, '.') : part + std::strlen(part);
        if (!dot) return;
        const size_t length = static_cast<size_t>(dot - part);
        if (length < 1 || length > MaxDigits) return;
        std::memcpy(OctetFields[i], part, length);
        OctetFields[i][length] = '\0';
        part = dot + 1;
    }
}

void format_ipaddr_command(char* out, size_t size) {
    CommandOctets command;
    if (command_octets(&command)) format_ipaddr(command.texts, out, size);
    else if (size > 0) out[0] = '\0';
}

int32_t ip_dialog_init() {
    Res.back = load_image("%s/img/left.bmp");
    Res.back_high = load_image("%s/img/lefthigh.bmp");
    Res.apply = load_image("%s/img/apply.bmp");
    Res.apply_high = load_image("%s/img/applyhigh.bmp");
    Res.apply_disabled = load_image("%s/img/applydisable.bmp");
    Res.instruction = render_text(BoldFont,
        "Choose the new ip address you want, then click on the \"Ok\" button.");
    Res.new_ip = render_text(RegularFont, "New ip:");
    Res.ok = render_text(RegularFont, "Ok");
    Res.separator = make_filled_surface(ScreenWidth, 1, SeparatorColour);
    for (int i = 0; i < 4; ++i) Res.boxes[i] = make_filled_surface(field_box(i).w, field_box(i).h, ColourKey);
    return 0;
}

void ip_dialog_open() {
    const SystemRecord* system = selected_system();
    const char* ip_text = system ? system->ip_text : "";
    char line[64];
    std::snprintf(line, sizeof line, "Old ip:            %s", ip_text);
    Res.old_address.reset();
    Res.old_address = render_text(RegularFont, line);
    split_address(ip_text);
    render_fields();
    OctetFocus = -1;
    show_message("");
}

const char* ip_dialog_message() { return Message.c_str(); }

int32_t ip_dialog_draw() {
    SDL_FillRect(Screen, nullptr, map_rgb(BackgroundColour));
    blit_in(BackHover == 1 ? Res.back_high.get() : Res.back.get(), BackButton);
    blit(Res.instruction.get(), 100, 15);
    blit(Res.separator.get(), 0, 44);
    blit(Res.old_address.get(), 10, 100);
    blit(Res.new_ip.get(), 10, 153);
    render_fields();
    for (int i = 0; i < 4; ++i) {
        fill_surface(Res.boxes[i].get(), OctetFocus == i ? FocusColour : ColourKey);
        blit_in(Res.boxes[i].get(), field_box(i));
        blit_in(Res.field_texts[i].get(), field_box(i), 3, 3);
    }
    SDL_Surface* apply = ip_dialog_validate() != 0 ? Res.apply_disabled.get()
                         : ApplyButtonHover == 1  ? Res.apply_high.get()
                                                  : Res.apply.get();
    blit_in(apply, ApplyButton);
    blit_in(Res.ok.get(), ApplyButton, 10, 5);
    for (size_t i = 0; i < Res.message_lines.size(); ++i)
        blit(Res.message_lines[i].get(), MessageX, MessageY + static_cast<int>(i) * MessageLineHeight);
    return 0;
}

int32_t ip_dialog_click(int32_t x, int32_t y) {
    if (BackButton.contains(x, y)) return 1;
    OctetFocus = -1;
    for (int i = 0; i < 4; ++i)
        if (field_box(i).contains(x, y)) OctetFocus = i;
    if (ApplyButton.contains(x, y) && ip_dialog_validate() == 0) {
        const std::string refusal = address_in_use();
        show_message(refusal);
        if (!refusal.empty()) return 0;  // the dialog stays, saying why
        send_new_address();
        return 2;
    }
    return 0;
}

int32_t ip_dialog_hover(int32_t x, int32_t y) {
    const int32_t old_apply = ApplyButtonHover, old_back = BackHover;
    ApplyButtonHover = ApplyButton.contains(x, y) ? 1 : 0;
    BackHover = BackButton.contains(x, y) ? 1 : 0;
    return (ApplyButtonHover == old_apply && BackHover == old_back) ? 1 : 0;
}

int32_t ip_dialog_backspace() {
    if (!focused()) return 0;
    char* field = OctetFields[OctetFocus];
    const size_t length = std::strlen(field);
    if (length == 0) return 0;
    field[length - 1] = '\0';
    return 1;
}

int32_t ip_dialog_digit(int32_t digit) {
    if (!focused()) return 0;
    char* field = OctetFields[OctetFocus];
    const size_t length = std::strlen(field);
    if (length >= MaxDigits) return 0;
    field[length] = static_cast<char>('0' + digit);
    field[length + 1] = '\0';
    return 1;
}

int32_t ip_dialog_next_field() {
    OctetFocus = OctetFocus == -1 ? 0 : (OctetFocus + 1) % 4;
    return 0;
}

int32_t ip_dialog_validate() {
    // The fields hold only digits; joined, they are an address as talvo reads one, with
    // its rules (1 to 3 digits, at most 255, an address a system can take).
    CommandOctets command;
    return command_octets(&command) ? 0 : -1;
}

void ip_dialog_release() {
    Res = IpDialogResources{};
    Message.clear();
}

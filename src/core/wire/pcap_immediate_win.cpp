#include "wire/pcap_immediate_win.h"

#include <windows.h>

bool enable_immediate_mode(pcap_t* handle) {
    using SetImmediateMode = int (*)(pcap_t*, int);
    const HMODULE wpcap = GetModuleHandleW(L"wpcap.dll");
    if (wpcap == nullptr) return false;
    const auto set_immediate_mode =
        reinterpret_cast<SetImmediateMode>(reinterpret_cast<void*>(GetProcAddress(wpcap, "pcap_set_immediate_mode")));
    return set_immediate_mode != nullptr && set_immediate_mode(handle, 1) == 0;
}

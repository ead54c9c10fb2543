#include "net/chosen_interface.h"

#include "shell/app.h"

const InterfaceRecord* chosen_interface() {
    if (ChosenInterface < 0 || ChosenInterface >= InterfaceCount) return nullptr;
    const InterfaceRecord& entry = InterfaceTable[ChosenInterface];
    return entry.device_name[0] == '\0' ? nullptr : &entry;
}

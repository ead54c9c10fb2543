#include "core_link/interface_catalogue.h"


InterfaceRecord InterfaceTable[InterfaceTableSize] = {};
int8_t InterfaceCount = 0;

int32_t fill_interface_catalogue(const pcap_if_t* devices, const AdapterInfo* adapters,
                                 size_t adapter_count, const CatalogueRules& rules) {
    InterfaceCount = static_cast<int8_t>(
        fill_interface_records(devices, adapters, adapter_count, rules, InterfaceTable, InterfaceTableSize));
    return 0;
}

int32_t build_interface_catalogue() {
    size_t count = 0;
    const int32_t result = read_interfaces(InterfaceTable, InterfaceTableSize, &count);
    InterfaceCount = static_cast<int8_t>(count);
    return result;
}

#include "wire/adapter_table.h"

#include "wire/text_field.h"

#include <winsock2.h>
#include <iphlpapi.h>

#include <cstring>
#include <memory>

namespace {

// The chain of adapters, in a buffer of the size the first call asks for. The table
// can grow between the two calls; then the size is asked again.
std::unique_ptr<unsigned char[]> adapter_chain() {
    for (int attempt = 0; attempt < 3; ++attempt) {
        ULONG size = 0;
        if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW || size == 0) return nullptr;
        std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[size]);
        if (!buffer) return nullptr;
        const ULONG result = GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.get()), &size);
        if (result == ERROR_SUCCESS) return buffer;
        if (result != ERROR_BUFFER_OVERFLOW) return nullptr;
    }
    return nullptr;
}

}  // namespace

std::vector<AdapterInfo> read_adapter_table(const pcap_if_t*) {
    std::vector<AdapterInfo> adapters;
    const auto chain = adapter_chain();
    if (!chain) return adapters;
    for (auto* a = reinterpret_cast<const IP_ADAPTER_INFO*>(chain.get()); a != nullptr; a = a->Next) {
        AdapterInfo entry{};
        copy_text_field(entry.name, sizeof entry.name, a->AdapterName);
        entry.address_length = a->AddressLength;
        std::memcpy(entry.address, a->Address,
                    a->AddressLength < sizeof entry.address ? a->AddressLength : sizeof entry.address);
        adapters.push_back(entry);
    }
    return adapters;
}

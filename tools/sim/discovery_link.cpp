#include "discovery_link.h"

#include "discovery_responder.h"
#include "interface_address.h"
#include "wire/adapter_table.h"
#include "wire/dotted_decimal.h"
#include "wire/pcap_session.h"

#include <poll.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr int StopCheckMs = 200;

struct LinkContext {
    pcap_t* handle;
    SimSystems* systems;
    const SimOptions* options;
};

void take_new_address(const LinkContext& link, const SimSystem& system) {
    const SimIdentity me = system.identity();
    char text[DottedDecimalSize];
    format_dotted_decimal(me.ipv4, text, sizeof text);
    std::printf("IPADDR: now at %s\n", text);
    std::fflush(stdout);
    // Only a lone system owns the interface; many share it and keep its address.
    if (link.options->apply_address && link.systems->size() == 1)
        set_interface_address(link.options->interface.c_str(), me.ipv4);
}

void send_reply(const LinkContext& link, const uint8_t* reply, int32_t length) {
    if (pcap_sendpacket(link.handle, reply, length) != 0)
        std::fprintf(stderr, "talvo-sim: send failed: %s\n", pcap_geterr(link.handle));
}

// Every system looks at the frame; all that answer an IDENT do so together, after the
// thinking time, as systems on one segment do.
void on_frame(u_char* user, const pcap_pkthdr* header, const u_char* frame) {
    auto* link = reinterpret_cast<LinkContext*>(user);
    std::vector<std::vector<uint8_t>> replies;
    for (const auto& system : *link->systems) {
        uint8_t reply[ReplyBufferSize];
        int32_t length = 0;
        switch (respond_to_frame(frame, header->caplen, *system, reply, &length)) {
        case DiscoveryAction::Reply: replies.emplace_back(reply, reply + length); break;
        case DiscoveryAction::AddressChanged: take_new_address(*link, *system); break;
        case DiscoveryAction::Ignored: break;
        }
    }
    if (replies.empty()) return;
    if (link->options->reply_delay_ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(link->options->reply_delay_ms));
    for (const auto& reply : replies) send_reply(*link, reply.data(), static_cast<int32_t>(reply.size()));
}

PcapHandle open_link(const char* interface) {
    DeviceOptions options;
    options.immediate = true;  // answer at once, not when the kernel's block timer fires
    options.read_timeout_ms = StopCheckMs;
    char errbuf[PCAP_ERRBUF_SIZE];
    PcapHandle handle = open_device(interface, options, errbuf);
    if (handle && pcap_setnonblock(handle.get(), 1, errbuf) != 0) handle.reset();
    if (!handle) std::fprintf(stderr, "talvo-sim: cannot open %s: %s\n", interface, errbuf);
    return handle;
}

bool install_filter(pcap_t* handle) {
    CompiledFilter filter;
    if (filter.compile(handle, "udp dst port 8989", PCAP_NETMASK_UNKNOWN) != 0 ||
        pcap_setfilter(handle, filter.program()) != 0) {
        std::fprintf(stderr, "talvo-sim: filter: %s\n", pcap_geterr(handle));
        return false;
    }
    pcap_setdirection(handle, PCAP_D_IN);  // never our own answers
    return true;
}

}  // namespace

bool interface_mac(const char* interface, uint8_t out[6]) {
    char errbuf[PCAP_ERRBUF_SIZE];
    pcap_if_t* devices = nullptr;
    if (pcap_findalldevs(&devices, errbuf) != 0) return false;
    std::vector<AdapterInfo> adapters(64);
    const size_t count = ethernet_adapters_of(devices, adapters.data(), adapters.size());
    pcap_freealldevs(devices);
    for (size_t i = 0; i < count; ++i) {
        if (!adapter_is_device_itself(adapters[i].name, interface)) continue;
        std::memcpy(out, adapters[i].address, 6);
        return true;
    }
    return false;
}

int run_discovery(const SimOptions& options, SimSystems& systems, const std::atomic<bool>& stop) {
    PcapHandle handle = open_link(options.interface.c_str());
    if (!handle || !install_filter(handle.get())) return -1;
    LinkContext link{handle.get(), &systems, &options};
    std::printf("talvo-sim: listening on %s\n", options.interface.c_str());
    std::fflush(stdout);
    pollfd waiting{pcap_get_selectable_fd(handle.get()), POLLIN, 0};
    while (!stop.load()) {
        const int ready = poll(&waiting, 1, StopCheckMs);
        if (ready < 0 && errno != EINTR) break;
        if (ready <= 0) continue;
        if (pcap_dispatch(handle.get(), -1, on_frame, reinterpret_cast<u_char*>(&link)) < 0) {
            std::fprintf(stderr, "talvo-sim: read failed: %s\n", pcap_geterr(handle.get()));
            return -1;
        }
    }
    return stop.load() ? 0 : -1;
}

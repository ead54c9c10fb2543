// The interface catalogue, built from stand-ins for the capture library's device list.
#include "core_link/interface_catalogue.h"
#include "discovery/interface_list.h"
#include "wire/adapter_table.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <linux/if_packet.h>
#include <net/if_arp.h>
#include <netinet/in.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace {

// A device list as pcap_findalldevs hands it out, owning all its parts.
class DeviceList {
public:
    pcap_if_t* add(const char* name, const char* description = nullptr) {
        names_.emplace_back(name ? name : "");
        descriptions_.emplace_back(description ? description : "");
        devices_.push_back(pcap_if_t{});
        pcap_if_t& d = devices_.back();
        d.name = name ? &names_.back()[0] : nullptr;
        d.description = description ? &descriptions_.back()[0] : nullptr;
        if (devices_.size() > 1) devices_[devices_.size() - 2].next = &d;
        return &d;
    }
    void ipv4(pcap_if_t* d, const char* address, const char* netmask = nullptr) {
        sockaddr* mask = netmask ? v4(netmask) : nullptr;
        append(d, v4(address), mask);
    }
    void ipv6(pcap_if_t* d) {
        storage_.push_back(sockaddr_storage{});
        auto* a = reinterpret_cast<sockaddr_in6*>(&storage_.back());
        a->sin6_family = AF_INET6;
        inet_pton(AF_INET6, "2001:db8::7", &a->sin6_addr);
        append(d, reinterpret_cast<sockaddr*>(a), nullptr);
    }
    void link(pcap_if_t* d, unsigned short hatype, const uint8_t mac[6]) {
        storage_.push_back(sockaddr_storage{});
        auto* a = reinterpret_cast<sockaddr_ll*>(&storage_.back());
        a->sll_family = AF_PACKET;
        a->sll_hatype = hatype;
        a->sll_halen = 6;
        std::memcpy(a->sll_addr, mac, 6);
        append(d, reinterpret_cast<sockaddr*>(a), nullptr);
    }
    void no_address_entry(pcap_if_t* d) { append(d, nullptr, nullptr); }
    const pcap_if_t* head() const { return devices_.empty() ? nullptr : &devices_.front(); }

private:
    sockaddr* v4(const char* text) {
        storage_.push_back(sockaddr_storage{});
        auto* a = reinterpret_cast<sockaddr_in*>(&storage_.back());
        a->sin_family = AF_INET;
        inet_pton(AF_INET, text, &a->sin_addr);
        return reinterpret_cast<sockaddr*>(a);
    }
    void append(pcap_if_t* d, sockaddr* address, sockaddr* netmask) {
        addresses_.push_back(pcap_addr_t{});
        pcap_addr_t& entry = addresses_.back();
        entry.addr = address;
        entry.netmask = netmask;
        pcap_addr_t** tail = &d->addresses;
        while (*tail) tail = &(*tail)->next;
        *tail = &entry;
    }
    // deques keep every element where it is as more are added
    std::deque<std::string> names_, descriptions_;
    std::deque<pcap_if_t> devices_;
    std::deque<pcap_addr_t> addresses_;
    std::deque<sockaddr_storage> storage_;
};

AdapterInfo adapter(const char* name, uint32_t length, uint8_t last_byte) {
    AdapterInfo a{};
    std::strcpy(a.name, name);
    a.address_length = length;
    const uint8_t mac[8] = {0x00, 0x1b, 0x21, 0x00, 0x00, last_byte, 0xee, 0xee};
    std::memcpy(a.address, mac, 8);
    return a;
}

const CatalogueRules WindowsRules{adapter_is_device_suffix, false};
const CatalogueRules LinuxRules{adapter_is_device_itself, true};

bool mac_is(const InterfaceRecord& entry, std::vector<uint8_t> mac) {
    return std::vector<uint8_t>(entry.mac, entry.mac + 6) == mac;
}
const std::vector<uint8_t> NoMac{0xff, 0xff, 0xff, 0xff, 0xff, 0xff};

TEST(InterfaceCatalogue, NamesAddressesAndMacsTheWindowsWay) {
    DeviceList list;
    pcap_if_t* plain = list.add("\\Device\\NPF_{A1}");                   // no description
    list.ipv6(plain);                                                     // IPv6 only
    pcap_if_t* two = list.add("\\Device\\NPF_{B2}", "Intel Ethernet");
    list.no_address_entry(two);
    list.ipv4(two, "198.51.100.1", "255.255.255.0");
    list.ipv6(two);
    list.ipv4(two, "198.51.100.2");                                       // last, without netmask
    pcap_if_t* unmatched = list.add("\\Device\\NPF_{C3}", "Wi-Fi");
    const AdapterInfo adapters[] = {
        adapter("{A1}", 6, 0x01),
        adapter("{B2}", 8, 0x02),                 // not a 6-byte address
        adapter("\\Device\\NPF_{C3}", 6, 0x03),   // the whole name: not strictly shorter
        adapter("{B2}", 6, 0x04), adapter("_{B2}", 6, 0x05)};  // several match: the last wins

    ASSERT_EQ(fill_interface_catalogue(list.head(), adapters, 5, WindowsRules), 0);
    ASSERT_EQ(InterfaceCount, 3);
    const InterfaceRecord& a = InterfaceTable[0];
    EXPECT_STREQ(a.description, "\\Device\\NPF_{A1}");
    EXPECT_STREQ(a.device_name, "\\Device\\NPF_{A1}");
    EXPECT_EQ(0u, a.ipv4[0] | a.ipv4[1] | a.ipv4[2] | a.ipv4[3]);
    EXPECT_STREQ(a.ip_text, "");
    EXPECT_STREQ(a.netmask_text, "");
    EXPECT_TRUE(mac_is(a, {0x00, 0x1b, 0x21, 0x00, 0x00, 0x01}));

    const InterfaceRecord& b = InterfaceTable[1];
    EXPECT_STREQ(b.description, "Intel Ethernet");
    EXPECT_STREQ(b.ip_text, "198.51.100.2");
    EXPECT_EQ(b.ipv4[3], 2);
    EXPECT_STREQ(b.netmask_text, "255.255.255.0") << "kept from the earlier entry";
    EXPECT_TRUE(mac_is(b, {0x00, 0x1b, 0x21, 0x00, 0x00, 0x05}));
    // Every address is listed, in order, each with its own netmask or none.
    ASSERT_EQ(b.address_count, 2);
    EXPECT_EQ(std::vector<uint8_t>(b.addresses[0].ipv4, b.addresses[0].ipv4 + 8),
              (std::vector<uint8_t>{198, 51, 100, 1, 255, 255, 255, 0}));
    EXPECT_EQ(std::vector<uint8_t>(b.addresses[1].ipv4, b.addresses[1].ipv4 + 8),
              (std::vector<uint8_t>{198, 51, 100, 2, 0, 0, 0, 0}));
    EXPECT_EQ(a.address_count, 0);
    // The PC's addresses: every device's, also one the table would leave out.
    list.ipv4(unmatched, "203.0.113.9", "255.255.255.128");
    std::vector<std::string> own;
    for (const PcAddress& p : pc_addresses(list.head()))
        own.push_back(std::to_string(p.address[0]) + "." + std::to_string(p.address[3]) + " " + p.device);
    EXPECT_EQ(own, (std::vector<std::string>{"198.1 \\Device\\NPF_{B2}", "198.2 \\Device\\NPF_{B2}",
                                              "203.9 \\Device\\NPF_{C3}"}));

    const InterfaceRecord& c = InterfaceTable[2];
    EXPECT_STREQ(c.description, "Wi-Fi");
    EXPECT_TRUE(mac_is(c, NoMac)) << "listed all the same, without a MAC";
}

TEST(InterfaceCatalogue, NoAdapterTableLeavesBroadcastMacs) {
    DeviceList list;
    list.ipv4(list.add("\\Device\\NPF_{A1}"), "198.51.100.9", "255.255.255.128");
    ASSERT_EQ(fill_interface_catalogue(list.head(), nullptr, 0, WindowsRules), 0);
    ASSERT_EQ(InterfaceCount, 1);
    EXPECT_TRUE(mac_is(InterfaceTable[0], NoMac));
    EXPECT_STREQ(InterfaceTable[0].netmask_text, "255.255.255.128");
}

TEST(InterfaceCatalogue, LinuxListsOnlyEthernetDevicesWithTheirOwnMac) {
    const uint8_t lo_mac[6] = {}, eth_mac[6] = {0x02, 0x7a, 0x10, 0x0b, 0x00, 0x09};
    const uint8_t bare_mac[6] = {0x02, 0x7a, 0x10, 0x0b, 0x00, 0x0a};
    DeviceList list;
    list.add("any", "Pseudo-device that captures on all interfaces");
    list.add("nflog", "Linux netfilter log (NFLOG) interface");
    list.add("dbus-system", "D-Bus system bus");
    pcap_if_t* lo = list.add("lo");
    list.link(lo, ARPHRD_LOOPBACK, lo_mac);
    list.ipv4(lo, "127.0.0.1", "255.0.0.0");
    pcap_if_t* eth = list.add("talvo0");
    list.link(eth, ARPHRD_ETHER, eth_mac);
    list.ipv4(eth, "198.51.100.1", "255.255.255.0");
    pcap_if_t* bare = list.add("talvo1");  // Ethernet without any IPv4 address
    list.link(bare, ARPHRD_ETHER, bare_mac);

    AdapterInfo adapters[8];
    const size_t count = ethernet_adapters_of(list.head(), adapters, 8);
    ASSERT_EQ(count, 2u);
    ASSERT_EQ(fill_interface_catalogue(list.head(), adapters, count, LinuxRules), 0);
    ASSERT_EQ(InterfaceCount, 2);
    EXPECT_STREQ(InterfaceTable[0].device_name, "talvo0");
    EXPECT_STREQ(InterfaceTable[0].description, "talvo0");
    EXPECT_STREQ(InterfaceTable[0].ip_text, "198.51.100.1");
    EXPECT_TRUE(mac_is(InterfaceTable[0], {0x02, 0x7a, 0x10, 0x0b, 0x00, 0x09}));
    EXPECT_STREQ(InterfaceTable[1].device_name, "talvo1");
    EXPECT_STREQ(InterfaceTable[1].ip_text, "");
    EXPECT_TRUE(mac_is(InterfaceTable[1], {0x02, 0x7a, 0x10, 0x0b, 0x00, 0x0a}));
    EXPECT_EQ(InterfaceTable[2].device_name[0], '\0') << "a left-out device leaves no trace";
}

TEST(InterfaceCatalogue, KeepsThirtyTwoEntriesAndCutsLongNames) {
    DeviceList list;
    const std::string long_name(300, 'n'), long_description(300, 'd');
    pcap_if_t* many = list.add(long_name.c_str(), long_description.c_str());
    for (int i = 1; i <= 20; ++i) list.ipv4(many, ("198.51.100." + std::to_string(i)).c_str(), "255.255.255.0");
    for (int i = 1; i < 40; ++i) list.add(("dev" + std::to_string(i)).c_str());
    ASSERT_EQ(fill_interface_catalogue(list.head(), nullptr, 0, WindowsRules), 0);
    ASSERT_EQ(InterfaceCount, 32);
    EXPECT_EQ(std::string(InterfaceTable[0].device_name), long_name.substr(0, 254));
    EXPECT_EQ(std::string(InterfaceTable[0].description), long_description.substr(0, 254));
    EXPECT_STREQ(InterfaceTable[31].device_name, "dev31");
    EXPECT_EQ(InterfaceTable[0].address_count, MaxInterfaceAddresses) << "the list stops at its size";
    EXPECT_EQ(InterfaceTable[0].addresses[15].ipv4[3], 16);
    EXPECT_STREQ(InterfaceTable[0].ip_text, "198.51.100.20") << "the fields keep the last all the same";
}

TEST(InterfaceCatalogue, EmptyListGivesEmptyTable) {
    InterfaceCount = 5;
    ASSERT_EQ(fill_interface_catalogue(nullptr, nullptr, 0, LinuxRules), 0);
    EXPECT_EQ(InterfaceCount, 0);
}

}  // namespace

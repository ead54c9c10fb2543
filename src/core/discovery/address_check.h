// Whether a system may be given an address: the one decision the window and talvo
// share before an address change is sent. An address held by anyone else would take a
// working device (a PC, a PLC, another system) off the network.
#pragma once

#include "discovery/address_probe.h"
#include "discovery/interface_record.h"
#include "discovery/pc_address.h"
#include "discovery/system_record.h"

#include <cstddef>
#include <string>
#include <vector>

// What is known of the segment when the address is chosen.
struct AddressSurroundings {
    const InterfaceRecord* nic = nullptr;  // the interface the change goes out on
    const SystemRecord* found = nullptr;   // the systems the last scan listed
    size_t found_count = 0;
    const ProbeReport* probe = nullptr;    // the probe that asked about the address
    const std::vector<PcAddress>* pc = nullptr;  // every address of every interface of the PC
};

// Why the system with moved_mac must not take address; empty when it may. Refused:
// any address of the PC (on the interface or another one), the network or broadcast
// address of the interface's network the address lies in, another listed system's
// address, any answer to the probe from a host other than the moved system (the PC's
// own kernel included), and an address the probe could not ask about (better no
// change than an unchecked one on a running plant).
std::string address_refusal(const Ipv4Address& address, const uint8_t moved_mac[6],
                            const AddressSurroundings& around);

// Whether nic has an IPv4 network and address lies outside it: the PC then reaches the
// system no more (no later update) until it has an address on the system's network.
bool outside_pc_network(const InterfaceRecord& nic, const Ipv4Address& address);

// The note for a system moved outside the PC's network; empty when it stays inside.
std::string leaving_network_note(const InterfaceRecord& nic, const Ipv4Address& address);

// "a.b.c.d".
std::string address_text(const Ipv4Address& address);

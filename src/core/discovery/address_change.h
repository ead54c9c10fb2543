// Giving one system a new IPv4 address: one IPADDR command, sent to the system's own
// MAC and current address. No answer comes; the next scan shows the result.
#pragma once

#include "discovery/interface_record.h"
#include "discovery/system_record.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The IPADDR command for four octet texts as they stand (up to 3 characters each are
// used, leading zeros kept), into out.
void format_ipaddr(const char* const octets[4], char* out, size_t size);

// Sends the command on nic, from its MAC and address, to the system's MAC (the
// Ethernet source of its answer) and current address; never to a broadcast address.
// 0 when the frame was sent, -1 otherwise.
int32_t send_ipaddr(const InterfaceRecord& nic, const SystemRecord& system, const char* const octets[4]);

class FrameSender;
// The same through a sender held open for many commands (a plan's), waiting out a full
// transmit queue as the address check does.
int32_t send_ipaddr(FrameSender& sender, const InterfaceRecord& nic, const SystemRecord& system,
                    const char* const octets[4]);

// Reads a new address "a.b.c.d" (each 1 to 3 decimal digits, at most 255) into four
// octet texts written without leading zeros ("010" gives "10"): what is shown, probed
// and sent is the same address, whichever way a system reads numbers. false, with the
// reason in *why, for text that is not such an address or an address no system can
// take. The window's address fields follow the same rules.
bool parse_new_address(const char* text, char octets[4][4], std::string* why);

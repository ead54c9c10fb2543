// Does anyone hold these addresses? Before a system is given a new address, every
// address asked about is probed on the interface the way RFC 5227 does it: ARP
// requests from the PC's MAC with sender address 0.0.0.0, which ask without claiming
// and change no host's ARP cache. All addresses are probed together, round by round.
// Only an answer makes an address held: an address that was never answered is free
// as far as this segment can tell.
#pragma once

#include "diagnostics/diagnostic_sink.h"
#include "discovery/interface_record.h"
#include "wire/arp_frame.h"

#include <array>
#include <cstdint>
#include <vector>

using Ipv4Address = std::array<uint8_t, 4>;  // network order
using MacAddress = std::array<uint8_t, 6>;   // wire order

// RFC 5227 waits 1 to 2 s between probes for a host that joins a network; the tool
// asks about a segment it is on, where hosts answer within milliseconds, so a whole
// check of the defaults takes under a second, also for hundreds of addresses.
struct ProbeSettings {
    uint32_t probe_count = 3;      // rounds of probes; each round probes every address once; at least 1
    uint32_t interval_ms = 150;    // from the start of one round to the start of the next
    uint32_t final_wait_ms = 400;  // after the last round, for late answers
};

struct AddressHolders {
    Ipv4Address address;
    // Every other host that claimed the address, once each, in the order first heard:
    // its ARP reply or request with the address as sender, or its own probe for it.
    std::vector<MacAddress> holders;
};

enum class ProbeOutcome {
    Checked,       // every probe left and the wait ran out: an address without holders had no answer
    NoDevice,      // the interface has no capture device name: nothing was sent
    NoMac,         // the interface's MAC is unknown or a group address: nothing was sent
    OpenFailed,    // the device could not be opened: nothing was sent
    FilterFailed,  // the capture filter could not be compiled or installed: nothing was sent
    SendFailed,    // a probe could not be sent: holders heard until then are kept, no holder proves nothing
    CaptureError,  // reading the capture failed: the same
};

struct ProbeReport {
    ProbeOutcome outcome = ProbeOutcome::Checked;
    std::vector<AddressHolders> addresses;  // one per address asked about, in the same order
};

// Whether a captured ARP frame claims address for a host other than own_mac (the PC's
// MAC): the host sends it as its sender address (a reply, a request, an announcement),
// or probes for it itself, and would take it too. Our own frames never claim.
bool claims_address(const ArpFields& fields, const Ipv4Address& address, const uint8_t own_mac[6]);

// Probes addresses (each one a host can hold, never 0.0.0.0) on nic and returns once
// the final wait has run; an empty list sends nothing. The capture is open and
// filtered to ARP before the first probe leaves, so no answer is lost. Anything other
// than Checked is also said to diagnostics as an Err line.
ProbeReport probe_addresses(const InterfaceRecord& nic, const std::vector<Ipv4Address>& addresses,
                            const ProbeSettings& settings = {}, const DiagnosticSink& diagnostics = {});

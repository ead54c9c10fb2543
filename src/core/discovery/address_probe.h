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
#include "wire/raw_send.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

using Ipv4Address = std::array<uint8_t, 4>;  // network order
using MacAddress = std::array<uint8_t, 6>;   // wire order

// RFC 5227 waits 1 to 2 s between probes for a host that joins a network; the tool
// asks about a segment it is on, where hosts answer within milliseconds, so one
// address's probes are interval_ms apart. Many addresses are probed in short bursts
// with pauses, at a rate a network card's transmit queue and a managed switch accept:
// 10 probes every 10 ms, 1000 a second, about 0.7 Mbit/s of broadcast on the wire,
// under a storm control of 1% of a 100 Mbit/s port; a burst fits a queue of 10 frames.
// A check of the defaults takes about 0.7 s for one address, 1.2 s for 250.
struct ProbeSettings {
    uint32_t probe_count = 3;         // rounds of probes; each round probes every address once; at least 1
    uint32_t interval_ms = 150;       // from the start of one round to the start of the next, at least
    uint32_t final_wait_ms = 400;     // after the last round, for late answers
    uint32_t burst_size = 10;         // probes sent back to back; at least 1
    uint32_t burst_gap_ms = 10;       // from the start of one burst to the start of the next
    uint32_t resend_limit_ms = 1000;  // how long one probe may meet a full queue before the check gives up
};

// When the probe of the address at index (from 0, of address_count) leaves in round
// (from 0), in milliseconds after the first probe. A round's bursts take
// address_count / burst_size gaps; a round that takes longer than the interval
// stretches it, so one address's probes are always at least interval_ms apart and
// the next round's first burst never follows the last one closer than a gap.
uint64_t probe_departure_ms(const ProbeSettings& settings, size_t address_count, uint32_t round, size_t index);

// What to do after a probe's send_attempts-th send in a row failed, failing_ms after
// the first of them: send it again after wait_ms, or give up.
struct Resend {
    bool again;
    uint32_t wait_ms;
};

// A full queue is waited out (1, 2, 4, 8 ms, then every 16 ms: a card sends a queue of
// a thousand frames in well under that at 100 Mbit/s) until resend_limit_ms have
// passed; any other failure ends the check at once.
Resend resend_after(FrameSend failure, uint32_t send_attempts, uint64_t failing_ms, const ProbeSettings& settings);

// How a frame sent through a queue that may be full ended.
enum class Resent { Sent, GaveUp, WaitFailed };

// Sends with send until the frame is taken, waiting out a full queue as resend_after
// says; the time it has failed for is the waits' sum. wait(ms) passes that time (a probe
// reads the answers meanwhile); false from it ends the sending (WaitFailed).
Resent send_until_taken(const std::function<FrameSend()>& send, const std::function<bool(uint32_t ms)>& wait,
                        const ProbeSettings& settings);

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
    SendFailed,    // a probe could not be sent, or not within the resend limit: holders heard until
                   // then are kept, no holder proves nothing
    CaptureError,  // reading the capture failed: the same
};

struct ProbeReport {
    ProbeOutcome outcome = ProbeOutcome::Checked;
    std::vector<AddressHolders> addresses;  // one per address asked about, in the same order
};

// Whether a captured ARP frame claims address: a host sends it as its sender address
// (a reply, a request, an announcement; also the PC's own kernel, which answers for
// the PC's addresses where it hears our probes, as Windows does), or another host
// probes for it itself and would take it too. Our own probes (own_mac, the PC's MAC,
// with sender 0.0.0.0) never claim.
bool claims_address(const ArpFields& fields, const Ipv4Address& address, const uint8_t own_mac[6]);

// Probes addresses (each one a host can hold, never 0.0.0.0) on nic and returns once
// the final wait has run; an empty list sends nothing. The capture is open and
// filtered to ARP before the first probe leaves, so no answer is lost. Anything other
// than Checked is also said to diagnostics as an Err line.
ProbeReport probe_addresses(const InterfaceRecord& nic, const std::vector<Ipv4Address>& addresses,
                            const ProbeSettings& settings = {}, const DiagnosticSink& diagnostics = {});

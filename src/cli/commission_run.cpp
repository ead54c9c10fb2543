// One thread scans without pause and hands each answer over as it arrives; the main
// thread decides (commission_rules.h); a thread per address change and a pool of
// --parallel update threads do the slow parts and report back.
#include "cli/commission_run.h"

#include "cli/cli_scan.h"
#include "cli/commands.h"
#include "cli/commission_board.h"
#include "cli/commission_rules.h"
#include "cli/firmware_files.h"
#include "cli/interruptions.h"
#include "cli/listing.h"
#include "cli/standard_error.h"
#include "cli/targets.h"
#include "cli/update_records.h"
#include "cli/work_record.h"
#include "discovery/address_change.h"
#include "discovery/address_check.h"
#include "discovery/discovery_scan.h"
#include "discovery/interface_list.h"
#include "discovery/system_reach.h"
#include "platform/platform.h"
#include "update/device_update.h"
#include "update/install_gate.h"
#include "wire/discovery_protocol.h"
#include "wire/frame_sender.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t AddressSettleMs = 1000;  // the wait the window keeps before its next scan
// From the update's end (its own wait for the restart included) until a scan must show
// the new firmware.
constexpr auto RestartCheckLimit = std::chrono::seconds(60);

std::string system_name(const SystemRecord& s) {
    return mac_text(system_mac(s)) + " (" + s.serial_text + ")";
}

MacAddress mac_of(const SystemRecord& s) {
    MacAddress mac;
    std::memcpy(mac.data(), system_mac(s), 6);
    return mac;
}

Ipv4Address address_of(const SystemRecord& s) { return {s.ipv4[0], s.ipv4[1], s.ipv4[2], s.ipv4[3]}; }

// What the threads report to the main thread.
struct Event {
    enum Kind { Answer, ScanEnded, Addressed, AddressRefused, Failed, Updated, Stop, Abandon };
    explicit Event(Kind k = Stop) : kind(k) {}
    Kind kind;
    size_t unit = 0;
    SystemRecord system{};          // Answer
    int generation = 0;             // ScanEnded: the scan's number
    std::set<MacAddress> seen;      // ScanEnded: every system that answered it
    std::string step, reason;       // Failed, AddressRefused
    UpdateOutcome outcome;          // Updated
    SentFiles files;                // Updated: what the system was sent
};

class Events {
public:
    void post(Event e) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            queue_.push_back(std::move(e));
        }
        ready_.notify_one();
    }
    // The next event, or false after wait without one.
    bool take(Event* e, std::chrono::milliseconds wait) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!ready_.wait_for(lock, wait, [this] { return !queue_.empty(); })) return false;
        *e = std::move(queue_.front());
        queue_.pop_front();
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Event> queue_;
};

// One system the run knows of: planned (seen or not), or seen in a range's run.
struct Unit {
    size_t index = 0;  // in the run's list
    int plan = -1;  // its plan line's index; -1 for a range's system
    std::string target;
    bool seen = false;
    SystemRecord first{}, last{};  // as it first appeared; as the latest scan saw it
    MacAddress mac{};
    Ipv4Address address{};  // the address it takes
    bool address_given = false;
    UnitPhase phase = UnitPhase::Unseen;
    int tries = 0;
    bool gone = false;          // missing from a whole scan since it failed: plugged out
    int checked_from = 0;       // scans from this number on check its change or firmware
    int checking_scans = 0;     // such scans that ended without confirming it
    Clock::time_point restart_limit{};
    size_t row = 0;
    std::string appeared, done;
    std::vector<CommissionTry> tries_log;
    SentFiles files;  // what its last update sent it
    UpdateOutcome update_end{UpdateFailure::Interrupted, {}, ""};  // how that update ended; none yet: nothing sent
    InstallGate gate;
    std::atomic<UpdateStep> step{UpdateStep::CheckingSystem};  // its update's, as the update thread reports it
    bool logged = false;
};


}  // namespace

class CommissionRun::Commissioning {
public:
    Commissioning(const CommissionSettings& settings, CommissionBoard& board, RecordLog& log)
        : s_(settings), board_(board), log_(log), networks_(interface_network(settings.nic, settings.options.interface)) {
        for (size_t i = 0; i < s_.plan.size(); ++i) {
            Unit& u = units_.emplace_back();
            u.index = i;
            u.plan = static_cast<int>(i);
            u.target = s_.plan[i].target;
            u.address = s_.plan[i].address;
            u.address_given = true;
            u.files = SentFiles(s_.options.firmware, s_.sd_board);  // named before anything is sent
            u.row = board_.add(name_of(u), "waiting");
        }
    }

    ExitCode run();
    void first_signal() {
        stopping_.store(true, std::memory_order_release);
        events_.post(Event(Event::Stop));
    }
    // The second signal: the main thread writes every record and ends the process.
    void second_signal() { events_.post(Event(Event::Abandon)); }

private:
    // Threads.
    void watch();
    void address_system(size_t unit, SystemRecord system, Ipv4Address address, bool ranged);
    void update_systems();

    // The main thread's decisions.
    void handle(const Event& e);
    void on_answer(const SystemRecord& system);
    void on_scan_end(int generation, const std::set<MacAddress>& seen);
    Unit* unit_for(const SystemRecord& system);
    void begin_try(Unit& u);
    void start_addressing(Unit& u);
    bool next_range_address(Unit& u);
    void queue_update(Unit& u);
    void succeed(Unit& u);
    void fail(Unit& u, const std::string& step, const std::string& reason);
    void interrupt(Unit& u, const std::string& reason);
    void check_restarts();
    bool over() const;
    bool busy() const;
    [[noreturn]] void abandon();

    std::string name_of(const Unit& u) const;
    std::string state_of(const Unit& u) const;
    void show(const Unit& u) { board_.set(u.row, state_of(u)); }
    CommissionRecord record_of(const Unit& u, const std::string& result) const;
    std::string result_of(const Unit& u) const;
    void log_once(Unit& u);

    const CommissionSettings& s_;
    CommissionBoard& board_;
    RecordLog& log_;
    InterfaceNetwork networks_;
    Events events_;
    std::deque<Unit> units_;
    std::map<MacAddress, size_t> by_mac_;
    std::set<MacAddress> strangers_;  // not in the plan: named once
    std::map<MacAddress, SystemRecord> present_;  // the latest answer of every system
    size_t range_next_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> ending_{false};
    std::atomic<int> generation_{0};
    bool interrupted_work_ = false;  // a signal came while some system was in its run
    std::mutex records_;             // the records are written once, by the main thread or by abandon
    bool records_closed_ = false;
    std::map<size_t, std::thread> address_threads_;  // by system; joined once it reports
    std::mutex updates_mutex_;
    std::condition_variable updates_ready_;
    std::deque<Unit*> update_queue_;
};

std::string CommissionRun::Commissioning::name_of(const Unit& u) const {
    std::string name = u.seen ? system_name(u.first) : u.target;
    return name + " -> " + (u.address_given ? address_text(u.address) : std::string("?"));
}

std::string CommissionRun::Commissioning::state_of(const Unit& u) const {
    switch (u.phase) {
    case UnitPhase::Unseen: return "waiting";
    case UnitPhase::Addressing:
    case UnitPhase::Verifying: return "addressing";
    case UnitPhase::UpdatingWait:
    case UnitPhase::Updating: return "updating";
    case UnitPhase::Restarting: return "restarting";
    case UnitPhase::Done: return "done";
    case UnitPhase::AlreadyDone: return "already commissioned";
    case UnitPhase::Interrupted: return "interrupted";
    case UnitPhase::Failed: {
        const CommissionTry& t = u.tries_log.back();
        std::string text = "failed while " + t.failed_step + ": " + t.reason;
        if (tries_again(u.tries)) text += u.gone ? " (unplugged; plug it in again to retry)" : " (plug it in again to retry)";
        return text;
    }
    }
    return "?";
}

void CommissionRun::Commissioning::watch() {
    while (!ending_.load(std::memory_order_acquire)) {
        const int generation = ++generation_;
        std::mutex seen_mutex;
        std::set<MacAddress> seen;
        const AnswerSink sink = [&](const SystemRecord& system) {
            {
                std::lock_guard<std::mutex> lock(seen_mutex);
                seen.insert(mac_of(system));
            }
            Event e(Event::Answer);
            e.system = system;
            events_.post(std::move(e));
            return AnswerStore::Stored;
        };
        ScanSettings settings;
        // Every answer goes on as an event and none is kept: the answers to the address
        // checks' own requests must not fill a scan's table.
        settings.record_limit = INT32_MAX;
        const ScanReport report = run_scan(s_.nic, settings, sink, to_standard_error);
        if (report.end == ScanEnd::CaptureFailed || report.end == ScanEnd::NoThread ||
            report.end == ScanEnd::CaptureNotReady) {
            platform::sleep_ms(1000);  // said above; the next scan tries again
            continue;
        }
        Event e(Event::ScanEnded);
        e.generation = generation;
        std::lock_guard<std::mutex> lock(seen_mutex);
        e.seen = seen;
        events_.post(std::move(e));
    }
}

void CommissionRun::Commissioning::address_system(size_t unit, SystemRecord system, Ipv4Address address, bool ranged) {
    const ProbeReport probe = probe_addresses(s_.nic, {address}, {}, to_standard_error);
    Event e(Event::Failed);
    e.unit = unit;
    // Other systems at the address answer the probe: the probe's holders name them.
    const AddressSurroundings around{&s_.nic, nullptr, 0, &probe, &s_.pc};
    const std::string refusal = address_refusal(address, system_mac(system), around);
    if (!refusal.empty()) {
        e.kind = ranged ? Event::AddressRefused : Event::Failed;
        e.step = "addressing";
        e.reason = refusal;
        return events_.post(std::move(e));
    }
    if (stopping_.load(std::memory_order_acquire)) {
        e.reason = "interrupted before its address changed";  // no step: nothing failed
        return events_.post(std::move(e));
    }
    char octets[4][4];
    for (size_t i = 0; i < 4; ++i) std::snprintf(octets[i], sizeof octets[i], "%u", address[i]);
    const char* const fields[4] = {octets[0], octets[1], octets[2], octets[3]};
    if (send_ipaddr(s_.nic, system, fields) != 0) {
        e.step = "addressing";
        e.reason = "the address change could not be sent";
        return events_.post(std::move(e));
    }
    platform::sleep_ms(AddressSettleMs);
    e.kind = Event::Addressed;
    events_.post(std::move(e));
    // A request of its own now, whose answers the watcher's capture takes (it is open
    // all but a moment between scans): the change is seen at once, not at the next scan.
    send_udp_frame_on(s_.nic.device_name, IdentRequest, s_.nic.mac, BroadcastMac, s_.nic.ipv4, BroadcastIpv4);
}


void CommissionRun::Commissioning::update_systems() {
    for (;;) {
        Unit* queued;
        {
            std::unique_lock<std::mutex> lock(updates_mutex_);
            updates_ready_.wait(lock, [this] { return !update_queue_.empty() || ending_.load(std::memory_order_acquire); });
            if (update_queue_.empty()) return;
            queued = update_queue_.front();
            update_queue_.pop_front();
        }
        // Read while the main thread waits for this update: it changes none of this.
        Unit& u = *queued;
        UpdateJob job;
        job.address = address_text(u.address);
        job.firmware_path = s_.options.firmware;
        job.sd_board_path = s_.sd_board;
        job.gate = &u.gate;
        uint8_t source[4];
        source_toward(s_.nic, u.address.data(), source);
        job.route = route_through(s_.nic.device_name, source);
        job.fault_reports = false;
        Event e(Event::Updated);
        e.unit = u.index;
        e.files = SentFiles(s_.options.firmware, s_.sd_board);
        job.chunk_sent = [&e](UpdateStep step, const unsigned char* bytes, size_t size) { e.files.add(step, bytes, size); };
        const size_t row = u.row;
        const auto progress = [this, row, &u](const UpdateProgress& p) {
            u.step.store(p.step, std::memory_order_release);
            std::string state = update_step_words(p.step);
            if (p.bytes_total > 0) state += " " + std::to_string(p.bytes_sent * 100 / p.bytes_total) + " %";
            if (p.step == UpdateStep::UploadingFirmware && p.bytes_sent == 0) board_.set(row, "updating");
            board_.progress(row, "updating: " + state);
            if (p.step == UpdateStep::Rebooting) board_.set(row, "restarting");
        };
        e.outcome = update_system(job, progress);
        events_.post(std::move(e));
    }
}

Unit* CommissionRun::Commissioning::unit_for(const SystemRecord& system) {
    const MacAddress mac = mac_of(system);
    if (auto known = by_mac_.find(mac); known != by_mac_.end()) return &units_[known->second];
    size_t index = units_.size();
    if (!s_.plan.empty()) {
        const int planned = plan_target_of(s_.plan, system);
        if (planned < 0 || units_[static_cast<size_t>(planned)].seen) {
            if (strangers_.insert(mac).second)
                board_.note(system_name(system) + " at " + system.ip_text + ": not in the plan; left alone");
            return nullptr;
        }
        index = static_cast<size_t>(planned);
    } else {
        if (stopping_.load(std::memory_order_acquire)) return nullptr;
        Unit& added = units_.emplace_back();
        added.index = index;
        added.files = SentFiles(s_.options.firmware, s_.sd_board);
    }
    Unit& u = units_[index];
    u.seen = true;
    u.first = u.last = system;
    u.mac = mac;
    u.appeared = utc_time_text(WallClock::now());
    by_mac_[mac] = index;
    if (!s_.plan.empty()) board_.rename(u.row, name_of(u));
    return &u;
}

void CommissionRun::Commissioning::on_answer(const SystemRecord& system) {
    present_[mac_of(system)] = system;
    Unit* found = unit_for(system);
    if (found == nullptr) return;
    Unit& u = *found;
    u.last = system;
    const bool comes_back = u.phase == UnitPhase::Failed && u.gone && tries_again(u.tries);
    if (u.phase == UnitPhase::Unseen || comes_back) {
        u.gone = false;
        if (!stopping_.load(std::memory_order_acquire)) begin_try(u);
        return;
    }
    // An answer at the new address (with the new firmware) proves the change whenever it
    // came; only a scan that misses it must have begun after the change settled.
    if (u.phase == UnitPhase::Verifying && address_of(system) == u.address) {
        if (s_.wanted_firmware.empty() || s_.wanted_firmware == system.firmware_text) return succeed(u);
        if (stopping_.load(std::memory_order_acquire)) return interrupt(u, "its address changed; its update was not started");
        return queue_update(u);
    }
    if (u.phase == UnitPhase::Restarting && address_of(system) == u.address &&
        system.firmware_text == s_.wanted_firmware)
        succeed(u);
}

void CommissionRun::Commissioning::begin_try(Unit& u) {
    ++u.tries;
    u.gate.reset();  // a try's own: no update of this system runs now
    u.tries_log.push_back(CommissionTry{"", "", "", utc_time_text(WallClock::now()), ""});
    board_.set(u.row, "appeared");
    if (s_.plan.empty() && !u.address_given) {
        // A range's system already at one of its addresses keeps it.
        const Ipv4Address at = address_of(u.last);
        const bool alone = std::none_of(present_.begin(), present_.end(), [&](const auto& other) {
            return other.first != u.mac && address_of(other.second) == at;
        }) && std::none_of(units_.begin(), units_.end(), [&](const Unit& other) {
            return &other != &u && other.address_given && other.address == at;
        });
        if (alone && std::find(s_.range.begin(), s_.range.end(), at) != s_.range.end() && !range_skips(at, networks_)) {
            u.address = at;
            u.address_given = true;
        } else if (!next_range_address(u)) {
            return fail(u, "addressing", "the range has no free address left");
        }
        if (u.tries == 1) u.row = board_.add(name_of(u), "appeared");
    }
    switch (need_on_arrival(u.last, u.address, s_.wanted_firmware)) {
    case Need::Nothing:
        u.phase = u.tries == 1 ? UnitPhase::AlreadyDone : UnitPhase::Done;
        return succeed(u);
    case Need::UpdateOnly: return queue_update(u);
    case Need::AddressFirst: return start_addressing(u);
    }
}

bool CommissionRun::Commissioning::next_range_address(Unit& u) {
    std::set<Ipv4Address> taken;
    for (const Unit& other : units_)
        if (other.address_given) taken.insert(other.address);
    for (const auto& [mac, system] : present_)
        if (mac != u.mac) taken.insert(address_of(system));
    for (const PcAddress& own : s_.pc) taken.insert(own.address);
    for (; range_next_ < s_.range.size(); ++range_next_) {
        const Ipv4Address a = s_.range[range_next_];
        if (taken.count(a) || s_.held.count(a) || range_skips(a, networks_)) continue;
        u.address = a;
        u.address_given = true;
        ++range_next_;
        return true;
    }
    return false;
}

void CommissionRun::Commissioning::start_addressing(Unit& u) {
    u.phase = UnitPhase::Addressing;
    show(u);
    address_threads_[u.index] = std::thread(&CommissionRun::Commissioning::address_system, this, u.index, u.last,
                                            u.address, s_.plan.empty());
}

void CommissionRun::Commissioning::queue_update(Unit& u) {
    const ReachCheck reach = check_reach(u.address.data(), networks_, {});
    if (!reach.reachable()) return fail(u, "checking the system can be reached", reach.why);
    u.phase = UnitPhase::UpdatingWait;
    show(u);
    {
        std::lock_guard<std::mutex> lock(updates_mutex_);
        update_queue_.push_back(&u);
    }
    updates_ready_.notify_one();
}

void CommissionRun::Commissioning::succeed(Unit& u) {
    if (u.phase != UnitPhase::AlreadyDone) u.phase = UnitPhase::Done;
    u.done = utc_time_text(WallClock::now());
    u.tries_log.back().result = "done";
    u.tries_log.back().ended = u.done;
    show(u);
    log_once(u);
}

void CommissionRun::Commissioning::fail(Unit& u, const std::string& step, const std::string& reason) {
    u.phase = UnitPhase::Failed;
    CommissionTry& t = u.tries_log.back();
    t.result = "failed";
    t.failed_step = step;
    t.reason = reason;
    t.ended = utc_time_text(WallClock::now());
    show(u);
    if (!tries_again(u.tries)) log_once(u);
}

void CommissionRun::Commissioning::interrupt(Unit& u, const std::string& reason) {
    u.phase = UnitPhase::Interrupted;
    CommissionTry& t = u.tries_log.back();
    t.result = "interrupted";
    t.reason = reason;
    t.ended = utc_time_text(WallClock::now());
    show(u);
    log_once(u);
}

void CommissionRun::Commissioning::on_scan_end(int generation, const std::set<MacAddress>& seen) {
    for (Unit& u : units_) {
        if (!u.seen) continue;
        const bool answered = seen.count(u.mac) > 0;
        if (u.phase == UnitPhase::Failed && !answered && !u.gone) {
            u.gone = true;
            show(u);
        }
        if (u.phase != UnitPhase::Verifying || generation < u.checked_from) continue;
        ++u.checking_scans;
        if (change_check(false, u.checking_scans) != Check::Failed) continue;
        fail(u, "checking the address",
             answered ? "still answers at " + std::string(present_[u.mac].ip_text) + ", not at " + address_text(u.address)
                      : "did not answer the scans after the address change");
    }
}

void CommissionRun::Commissioning::check_restarts() {
    const Clock::time_point now = Clock::now();
    for (Unit& u : units_) {
        if (u.phase != UnitPhase::Restarting || now < u.restart_limit) continue;
        const auto at = present_.find(u.mac);
        fail(u, "restarting",
             at == present_.end() ? "did not answer after its restart"
                                  : std::string("answers with firmware ") + at->second.firmware_text + ", not " +
                                        s_.wanted_firmware);
    }
}

void CommissionRun::Commissioning::handle(const Event& e) {
    switch (e.kind) {
    case Event::Answer: return on_answer(e.system);
    case Event::ScanEnded: return on_scan_end(e.generation, e.seen);
    case Event::Abandon: return abandon();
    case Event::Stop:
        if (busy() || (!s_.options.watch && !s_.plan.empty())) interrupted_work_ = true;
        for (Unit& u : units_) u.gate.request_stop();
        board_.note(busy() ? "Interrupted: no further system starts; the systems in their run finish it (Ctrl-C "
                             "again to abandon them)"
                           : "Interrupted: stopping");
        return;
    default: break;
    }
    Unit& u = units_[e.unit];
    if (e.kind != Event::Updated) {
        // The address thread reported its end: a long watch keeps no finished thread.
        address_threads_[e.unit].join();
        address_threads_.erase(e.unit);
    }
    switch (e.kind) {
    case Event::Addressed:
        u.phase = UnitPhase::Verifying;
        u.checked_from = generation_.load(std::memory_order_acquire) + 1;
        u.checking_scans = 0;
        return;
    case Event::AddressRefused:
        board_.note(address_text(u.address) + " is not free (" + e.reason + "); " + system_name(u.first) +
                    " takes the next");
        u.address_given = false;
        if (!next_range_address(u)) return fail(u, "addressing", "the range has no free address left");
        return start_addressing(u);
    case Event::Failed:
        if (e.step.empty()) return interrupt(u, e.reason);
        return fail(u, e.step, e.reason);
    case Event::Updated:
        u.files = e.files;
        u.update_end = e.outcome;
        if (e.outcome.updated()) {
            u.phase = UnitPhase::Restarting;
            u.checked_from = generation_.load(std::memory_order_acquire) + 1;
            u.restart_limit = Clock::now() + RestartCheckLimit;
            show(u);
            return;
        }
        if (e.outcome.failure == UpdateFailure::Interrupted) return interrupt(u, e.outcome.error_text);
        return fail(u, update_step_words(e.outcome.step), e.outcome.error_text);
    default: return;
    }
}

bool CommissionRun::Commissioning::busy() const {
    for (const Unit& u : units_)
        if (u.seen && phase_open(u.phase) && u.phase != UnitPhase::Unseen) return true;
    return false;
}

bool CommissionRun::Commissioning::over() const {
    if (stopping_.load(std::memory_order_acquire)) return !busy();
    if (s_.options.watch || s_.plan.empty()) return false;
    std::vector<UnitPhase> phases;
    std::vector<int> tries;
    for (const Unit& u : units_) {
        phases.push_back(u.phase);
        tries.push_back(u.tries);
    }
    return plan_complete(phases, tries);
}

std::string CommissionRun::Commissioning::result_of(const Unit& u) const {
    if (!u.seen) return "not-seen";
    switch (u.phase) {
    case UnitPhase::Done: return "commissioned";
    case UnitPhase::AlreadyDone: return "already-commissioned";
    case UnitPhase::Failed: return "failed";
    default: return "interrupted";
    }
}

CommissionRecord CommissionRun::Commissioning::record_of(const Unit& u, const std::string& result) const {
    CommissionRecord r;
    r.system = u.seen ? &u.first : nullptr;
    r.target = u.target;
    r.interface = s_.options.interface;
    r.new_address = u.address_given ? address_text(u.address) : "";
    r.result = result;
    if (!u.tries_log.empty()) {
        r.failed_step = u.tries_log.back().failed_step;
        r.reason = u.tries_log.back().reason;
    }
    if (u.seen) {
        r.address_after = u.last.ip_text;
        r.firmware_after = u.last.firmware_text;
    }
    if (!s_.options.firmware.empty()) {
        r.firmware = u.files.firmware(u.update_end);
        if (!s_.sd_board.empty()) r.sd_board = u.files.sd_board(u.update_end);
    }
    r.appeared = u.appeared;
    r.done = u.done;
    r.tries = u.tries_log;
    return r;
}

void CommissionRun::Commissioning::log_once(Unit& u) {
    std::lock_guard<std::mutex> lock(records_);
    if (u.logged || records_closed_) return;
    u.logged = true;
    log_.append(record_json(record_of(u, result_of(u))));
}

ExitCode CommissionRun::Commissioning::run() {
    std::thread watcher(&CommissionRun::Commissioning::watch, this);
    std::vector<std::thread> updaters;
    for (int i = 0; i < s_.options.parallel && !s_.options.firmware.empty(); ++i)
        updaters.emplace_back(&CommissionRun::Commissioning::update_systems, this);
    while (!over()) {
        Event e;
        if (events_.take(&e, std::chrono::milliseconds(200))) handle(e);
        check_restarts();
    }
    ending_.store(true, std::memory_order_release);
    updates_ready_.notify_all();
    watcher.join();
    for (std::thread& t : updaters) t.join();
    for (auto& [unit, thread] : address_threads_) thread.join();
    std::vector<std::string> records;
    {
        std::lock_guard<std::mutex> lock(records_);
        records_closed_ = true;
        for (Unit& u : units_) {
            records.push_back(record_json(record_of(u, result_of(u))));
            if (!u.logged && u.seen) log_.append(records.back());
            u.logged = true;
        }
    }
    if (s_.options.format == ListFormat::Json) std::fputs(records_document(records).c_str(), stdout);
    const bool all_done = std::all_of(units_.begin(), units_.end(), [](const Unit& u) {
        return u.phase == UnitPhase::Done || u.phase == UnitPhase::AlreadyDone || !u.seen;
    });
    return work_exit_code(interrupted_work_, all_done, log_.failed());
}

// A second signal: talvo ends now. Each system installing is named with what it lacks,
// and every system gets its record first.
void CommissionRun::Commissioning::abandon() {
    std::lock_guard<std::mutex> lock(records_);
    std::vector<std::string> records;
    for (Unit& u : units_) {
        std::string result = result_of(u);
        CommissionRecord r = record_of(u, result);
        if (u.gate.installing()) {
            const UpdateStep step = u.step.load(std::memory_order_acquire);
            const LeftBehind left = left_behind(true, false, step, !s_.sd_board.empty());
            std::fprintf(stderr, "talvo: %s at %s was left between its installation and its reboot: it lacks %s\n",
                         system_name(u.first).c_str(), address_text(u.address).c_str(),
                         still_lacks(step, !s_.sd_board.empty()).c_str());
            r.result = left.result;
            r.failed_step = update_step_words(step);
            r.reason = left.reason;
        }
        records.push_back(record_json(r));
        if (!u.logged && !records_closed_ && u.seen) log_.append(records.back());
    }
    records_closed_ = true;
    end_abandoned(s_.options.format == ListFormat::Json ? records_document(records) : "");
}


CommissionRun::CommissionRun(const CommissionSettings& settings, CommissionBoard& board, RecordLog& log)
    : work_(std::make_unique<Commissioning>(settings, board, log)) {}

CommissionRun::~CommissionRun() = default;

ExitCode CommissionRun::run() { return work_->run(); }

void CommissionRun::first_signal() { work_->first_signal(); }

void CommissionRun::second_signal() { work_->second_signal(); }

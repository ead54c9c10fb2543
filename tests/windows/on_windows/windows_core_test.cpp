// The Windows side of the platform layer and of the update core, run under wine by
// tests/windows/wine_core.sh (and runnable on Windows as it is): files opened by their
// UTF-8 names, only regular ones, never written while they are read; and every Device
// Service call held to its deadline on Winsock, against peers on loopback that answer
// like a live system, never, a byte now and then, too much, or stop reading.
#include "platform/platform.h"
#include "platform/utf16.h"
#include "support/soap_texts.h"
#include "update/dead_peer.h"
#include "update/device_update.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <future>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int Failures = 0;

void check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAIL", what.c_str());
    if (!ok) ++Failures;
}

template <typename T>
void check_equal(const T& got, const T& want, const std::string& what) {
    check(got == want, what);
    if (!(got == want)) std::printf("    got:  %s\n    want: %s\n", std::to_string(got).c_str(), std::to_string(want).c_str());
}

void check_text(const std::string& got, const std::string& want, const std::string& what) {
    check(got == want, what);
    if (got != want) std::printf("    got:  \"%s\"\n    want: \"%s\"\n", got.c_str(), want.c_str());
}

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::wstring wide(const std::string& utf8) {
    const std::u16string text = platform::utf8_to_utf16(utf8);
    return std::wstring(text.begin(), text.end());
}

// --- Files ----------------------------------------------------------------------------

std::string make_folder() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::u16string base(reinterpret_cast<const char16_t*>(temp));
    // Outside ASCII and outside any ANSI code page: only UTF-16 reaches it.
    const std::string folder = platform::utf16_to_utf8(base) + "Pr\xc3\xbc" "fstand-\xce\xa9-" +
                               std::to_string(GetCurrentProcessId());
    CreateDirectoryW(wide(folder).c_str(), nullptr);
    return folder;
}

std::vector<unsigned char> pattern(size_t size) {
    std::vector<unsigned char> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>((i * 7 + i / 251) & 0xff);
    return bytes;
}

void write_file(const std::string& path, const std::vector<unsigned char>& bytes) {
    HANDLE h = CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (h != INVALID_HANDLE_VALUE) {
        WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(h);
    }
    if (h == INVALID_HANDLE_VALUE || written != bytes.size()) std::printf("cannot write %s\n", path.c_str());
}

// A writer's handle, as a copy still in progress holds it.
HANDLE open_for_writing(const std::string& path) {
    return CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void regular_files(const std::string& folder) {
    const std::string path = folder + "/TLV-\xc3\xa9t\xc3\xa9.firm";
    const std::vector<unsigned char> bytes = pattern(70000);
    write_file(path, bytes);

    platform::RegularFile file;
    check(file.open(path.c_str()) == platform::RegularFile::Open::Opened, "a file with a UTF-8 name opens");
    platform::FileStamp stamp;
    check(file.stamp(stamp) && stamp.size == bytes.size(), "its stamp has its size");
    std::vector<unsigned char> read(bytes.size() + 10);
    size_t got = 0;
    for (long long n; got < read.size() && (n = file.read_at(got, read.data() + got, read.size() - got)) > 0;)
        got += static_cast<size_t>(n);
    read.resize(got);
    check(read == bytes, "it reads whole, and reading ends at its end");
    check(file.read_at(bytes.size(), read.data(), 1) == 0, "a read at its end reads nothing");

    HANDLE writer = open_for_writing(path);
    const DWORD why = GetLastError();
    check(writer == INVALID_HANDLE_VALUE && why == ERROR_SHARING_VIOLATION, "nobody may write it while it is open");
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    const std::string moved = folder + "/moved.firm";
    check(MoveFileW(wide(path).c_str(), wide(moved).c_str()) != 0, "it may be renamed while it is open");
    platform::FileStamp after;
    check(file.stamp(after) && after == stamp && file.read_at(0, read.data(), 1) == 1 && read[0] == bytes[0],
          "and reads on unchanged");
    MoveFileW(wide(moved).c_str(), wide(path).c_str());

    std::FILE* stream = file.into_stream();
    check(stream != nullptr && !file.is_open(), "it becomes a C stream");
    if (stream) {
        std::vector<unsigned char> streamed(bytes.size() + 1);
        check(std::fread(streamed.data(), 1, streamed.size(), stream) == bytes.size() &&
                  std::equal(bytes.begin(), bytes.end(), streamed.begin()),
              "the stream reads it whole from its start");
        std::fclose(stream);
    }

    writer = open_for_writing(path);
    check(file.open(path.c_str()) == platform::RegularFile::Open::CannotOpen,
          "a file that a writer holds open is not opened");
    check(platform::is_regular_file(path.c_str()), "but is still listed as a regular file");
    CloseHandle(writer);

    const std::string folder_named_firm = folder + "/folder.firm";
    CreateDirectoryW(wide(folder_named_firm).c_str(), nullptr);
    check(file.open(folder_named_firm.c_str()) == platform::RegularFile::Open::NotRegular,
          "a folder is not a regular file");
    check(!platform::is_regular_file(folder_named_firm.c_str()), "and is not listed as one");
    check(file.open((folder + "/missing.firm").c_str()) == platform::RegularFile::Open::CannotOpen &&
              !platform::is_regular_file((folder + "/missing.firm").c_str()),
          "a missing file does not open");

    // A pipe or a device in a file's place: refused at once, never read without end.
    const std::string pipe = "\\\\.\\pipe\\talvo-perabo-test-" + std::to_string(GetCurrentProcessId());
    HANDLE server = CreateNamedPipeW(wide(pipe).c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 4096, 4096, 0, nullptr);
    const auto start = Clock::now();
    check(server != INVALID_HANDLE_VALUE && file.open(pipe.c_str()) == platform::RegularFile::Open::NotRegular &&
              seconds_since(start) < 10,
          "a named pipe is refused at once");
    if (server != INVALID_HANDLE_VALUE) CloseHandle(server);
    check(file.open("NUL") == platform::RegularFile::Open::NotRegular && !platform::is_regular_file("NUL"),
          "the NUL device is refused");
}

// --- Peers on loopback ----------------------------------------------------------------

// A peer on port 5555 of a loopback address of its own, for one connection: answers
// each request with the next of its replies, then does what `after` says.
class Peer {
public:
    enum class After { Silent, Drip, StopReading };

    Peer(std::vector<std::string> replies, After after = After::Silent, std::string drip = {})
        : replies_(std::move(replies)), after_(after), drip_(std::move(drip)) {
        std::mt19937 random(std::random_device{}() ^ GetCurrentProcessId() ^ GetTickCount());
        for (int attempt = 0; attempt < 50 && address_.empty(); ++attempt) {
            const std::string address = "127." + std::to_string(random() % 254 + 1) + "." +
                                        std::to_string(random() % 254 + 1) + "." + std::to_string(random() % 254 + 1);
            if (listen_on(address)) address_ = address;
        }
        if (!address_.empty()) thread_ = std::thread([this] { run(); });
    }
    ~Peer() {
        stopping_ = true;
        if (thread_.joinable()) thread_.join();
        if (listener_ != INVALID_SOCKET) closesocket(listener_);
    }

    const std::string& address() const { return address_; }
    // The <item> elements of each request, in order: a chunk's bytes.
    std::vector<size_t> items() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return items_;
    }

private:
    bool listen_on(const std::string& address) {
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in where{};
        where.sin_family = AF_INET;
        where.sin_port = htons(5555);
        inet_pton(AF_INET, address.c_str(), &where.sin_addr);
        if (bind(listener_, reinterpret_cast<sockaddr*>(&where), sizeof where) == 0 && listen(listener_, 2) == 0)
            return true;
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
        return false;
    }

    bool readable(SOCKET s, int ms) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(s, &set);
        timeval wait{0, ms * 1000};
        return select(0, &set, nullptr, nullptr, &wait) > 0;
    }

    // Reads what arrived within ms into received_; false once the connection ended.
    bool drain(SOCKET s, int ms) {
        if (!readable(s, ms)) return true;
        char buffer[65536];
        const int n = recv(s, buffer, sizeof buffer, 0);
        if (n <= 0) return false;
        received_.append(buffer, static_cast<size_t>(n));
        return true;
    }

    bool await_request(SOCKET s) {
        const std::string end = "</SOAP-ENV:Envelope>";
        size_t at;
        while ((at = received_.find(end)) == std::string::npos)
            if (stopping_ || !drain(s, 20)) return false;
        size_t count = 0;
        for (size_t i = received_.find("<item>"); i < at; i = received_.find("<item>", i + 1)) ++count;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            items_.push_back(count);
        }
        received_.erase(0, at + end.size());
        return true;
    }

    bool send_all(SOCKET s, const std::string& text) {
        for (size_t done = 0; done < text.size();) {
            const int n = send(s, text.data() + done, static_cast<int>(text.size() - done), 0);
            if (n <= 0) return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }

    void serve(SOCKET s) {
        for (const std::string& reply : replies_)
            if (!await_request(s) || !send_all(s, reply)) return;
        if (after_ == After::StopReading) {
            while (!stopping_) Sleep(20);
            return;
        }
        if (after_ == After::Drip && !await_request(s)) return;
        for (size_t i = 0; !stopping_; ++i) {
            if (after_ == After::Drip && i < drip_.size() && !send_all(s, drip_.substr(i, 1))) return;
            if (!drain(s, 100)) return;
        }
    }

    void run() {
        while (!stopping_) {
            if (!readable(listener_, 20)) continue;
            SOCKET s = accept(listener_, nullptr, nullptr);
            if (s == INVALID_SOCKET) return;
            serve(s);
            closesocket(s);
            return;
        }
    }

    std::vector<std::string> replies_;
    After after_;
    std::string drip_;
    std::string address_;
    SOCKET listener_ = INVALID_SOCKET;
    std::string received_;
    mutable std::mutex mutex_;
    std::vector<size_t> items_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

struct Run {
    UpdateOutcome outcome;
    std::string err;
    double seconds = 0;
};

// The update on a thread of its own, for at most limit_s: one that runs on ends the
// test program rather than hang it.
Run bounded_update(const UpdateJob& job, int limit_s = 120) {
    auto done = std::make_shared<std::promise<Run>>();
    auto result = done->get_future();
    std::thread([job, done] {
        Run run;
        const auto start = Clock::now();
        run.outcome = update_system(job, {}, [&run](DiagnosticStream stream, const std::string& line) {
            if (stream == DiagnosticStream::Err) run.err += line;
        });
        run.seconds = seconds_since(start);
        done->set_value(std::move(run));
    }).detach();
    if (result.wait_for(std::chrono::seconds(limit_s)) != std::future_status::ready) {
        std::printf("FAIL: the update still runs after %d s\n", limit_s);
        std::fflush(stdout);
        std::_Exit(1);
    }
    return result.get();
}

// The update ended at step with failure.
bool failed(const Run& run, UpdateStep step, UpdateFailure failure) {
    return run.outcome.step == step && run.outcome.failure == failure;
}

UpdateJob job_for(const Peer& peer, const std::string& firmware) {
    UpdateJob job;
    job.address = peer.address();
    job.firmware_path = firmware;
    job.timings.reboot_wait_ms = 20;
    job.timings.call_deadline_ms = 1500;
    return job;
}

// GetModuleType answered, the reset refused as a system refuses an empty upload.
std::vector<std::string> up_to_the_upload() { return {common_reply(), private_reply(1)}; }

void whole_updates(const std::string& folder) {
    const std::string firmware = folder + "/TLV-\xc3\xa9t\xc3\xa9.firm";
    std::vector<std::string> replies = up_to_the_upload();
    for (int i = 0; i < 3; ++i) replies.push_back(private_reply(0));  // two chunks, the closing call
    replies.push_back(reboot_reply(0, 0));
    {
        Peer peer(replies);
        const Run run = bounded_update(job_for(peer, firmware));
        check(run.outcome.updated(), "a firmware under a UTF-8 path is updated");
        check(peer.items() == std::vector<size_t>{0, 0, 65535, 70000 - 65535, 0, 0},
              "its 70000 bytes went in chunks of 65535 and 4465");
    }
    {
        Peer peer(up_to_the_upload());
        const std::string folder_named_firm = folder + "/folder.firm";
        const Run run = bounded_update(job_for(peer, folder_named_firm));
        check(failed(run, UpdateStep::UploadingFirmware, UpdateFailure::FileUnusable),
              "a folder as firmware fails the update at its file");
        check_text(run.outcome.error_text, "Error, not a regular file : " + folder_named_firm, "saying why");
    }
    {
        Peer peer(up_to_the_upload());
        HANDLE writer = open_for_writing(firmware);
        const Run run = bounded_update(job_for(peer, firmware));
        CloseHandle(writer);
        check(failed(run, UpdateStep::UploadingFirmware, UpdateFailure::FileUnusable),
              "a firmware still being written is not sent");
        check_text(run.outcome.error_text, "Error, cannot open file : " + firmware, "saying it cannot be opened");
    }
}

void deadlines(const std::string& folder) {
    const std::string firmware = folder + "/TLV-\xc3\xa9t\xc3\xa9.firm";
    const std::string check_stopped = "The system stopped answering during the check of the system";
    {
        Peer peer({}, Peer::After::Silent);
        const Run run = bounded_update(job_for(peer, firmware));
        check(failed(run, UpdateStep::CheckingSystem, UpdateFailure::CallFailed) && run.outcome.error_text == check_stopped,
              "a silent system fails the check at its deadline");
        check(run.seconds >= 1.4, "not before it (" + std::to_string(run.seconds) + " s)");
    }
    {
        Peer peer({}, Peer::After::Drip, common_reply());
        const Run run = bounded_update(job_for(peer, firmware));
        check(failed(run, UpdateStep::CheckingSystem, UpdateFailure::CallFailed) && run.outcome.error_text == check_stopped && run.seconds >= 1.4,
              "a reply of a byte every 100 ms fails at the deadline (" + std::to_string(run.seconds) + " s)");
    }
    {
        // 32 MB of requests: more than the socket buffers on both sides hold.
        const std::string large = folder + "/large.firm";
        write_file(large, pattern(2 * 1024 * 1024));
        Peer peer(up_to_the_upload(), Peer::After::StopReading);
        const Run run = bounded_update(job_for(peer, large));
        check(failed(run, UpdateStep::UploadingFirmware, UpdateFailure::CallFailed) &&
                  run.outcome.error_text == "The system stopped answering during the firmware upload",
              "a system that stops reading fails the upload at a chunk's deadline: " + run.outcome.error_text);
    }
    {
        std::string huge(2 * 1024 * 1024, 'x');
        Peer peer({fault_reply(huge)});
        const Run run = bounded_update(job_for(peer, firmware));
        check(failed(run, UpdateStep::CheckingSystem, UpdateFailure::CallFailed) &&
                  run.outcome.error_text == "The system's reply was refused: larger than a Device Service reply can be",
              "a reply larger than a Device Service reply can be is refused: " + run.outcome.error_text);
    }
}

// The receive of a connection with nothing to read returns at once, and the options
// that find a vanished system are taken.
void sockets() {
    Peer peer({}, Peer::After::Silent);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(5555);
    inet_pton(AF_INET, peer.address().c_str(), &where.sin_addr);
    check(connect(s, reinterpret_cast<sockaddr*>(&where), sizeof where) == 0, "a connection on loopback");
    char buffer[16];
    int error = -1;
    auto start = Clock::now();
    check(platform::receive_now(s, buffer, sizeof buffer, error) == -1 && error == 0 && seconds_since(start) < 10,
          "a receive with nothing to read does not wait");
    start = Clock::now();
    check(platform::wait_for_socket(s, false, 300, error) == 0 && seconds_since(start) >= 0.29,
          "a wait for a silent peer ends when its time is up");
    check(platform::wait_for_socket(s, true, 300, error) == 1, "the socket can be written");
    check_equal(watch_for_dead_peer(s, RealDeadPeerTimings), 0, "keep-alive and retransmission limits are set");
    closesocket(s);
}

}  // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    // A call that waits without end is a failure, not a hang.
    std::thread([] {
        Sleep(240 * 1000);
        std::printf("FAIL: the checks still run after 240 s: a call waits without end\n");
        std::_Exit(1);
    }).detach();
    if (platform::start_sockets() != 0) {
        std::printf("FAIL: Winsock did not start\n");
        return 1;
    }
    const std::string folder = make_folder();
    regular_files(folder);
    sockets();
    whole_updates(folder);
    deadlines(folder);
    std::printf("%s: %d failure(s)\n", Failures == 0 ? "PASS" : "FAIL", Failures);
    return Failures == 0 ? 0 : 1;
}

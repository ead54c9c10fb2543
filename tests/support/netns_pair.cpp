#include "netns_pair.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <sched.h>
#include <thread>
#include <unistd.h>

namespace {

bool run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// Enters ns for the calling thread and returns to the old namespace when it goes.
class NamespaceVisit {
public:
    explicit NamespaceVisit(const std::string& ns)
        : home_(open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC)) {
        const int target = open(("/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
        entered_ = home_ >= 0 && target >= 0 && setns(target, CLONE_NEWNET) == 0;
        if (target >= 0) close(target);
    }
    ~NamespaceVisit() {
        if (entered_) (void)!setns(home_, CLONE_NEWNET);
        if (home_ >= 0) close(home_);
    }
    bool entered() const { return entered_; }

private:
    int home_;
    bool entered_ = false;
};

// Namespaces "fwt<pid>t" and "fwt<pid>s" left by a run of these tests that was killed.
void remove_stale_pairs() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/run/netns", error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() < 5 || name.compare(0, 3, "fwt") != 0) continue;
        const std::string digits = name.substr(3, name.size() - 4);
        if (digits.find_first_not_of("0123456789") != std::string::npos) continue;
        const pid_t pid = static_cast<pid_t>(std::stol(digits));
        if (kill(pid, 0) != 0 && errno == ESRCH) run("ip netns del " + name);
    }
}

}  // namespace

std::unique_ptr<NetnsPair> NetnsPair::create(std::string& why_not) {
    if (geteuid() != 0) {
        why_not = "needs root to build network namespaces";
        return nullptr;
    }
    remove_stale_pairs();
    std::unique_ptr<NetnsPair> pair(new NetnsPair);
    const std::string id = "fwt" + std::to_string(getpid());
    pair->tool_ = id + "t";
    pair->system_ = id + "s";
    const std::string t = " -n " + pair->tool_, s = " -n " + pair->system_;
    const bool built = run("ip netns add " + pair->tool_) && run("ip netns add " + pair->system_) &&
                       run("ip" + t + " link add vt type veth peer name vs netns " + pair->system_) &&
                       run("ip" + t + " addr add " + ToolAddress + "/24 dev vt") &&
                       run("ip" + s + " addr add " + SystemAddress + "/24 dev vs") &&
                       run("ip" + t + " link set lo up") && run("ip" + s + " link set lo up") &&
                       run("ip" + t + " link set vt up") && run("ip" + s + " link set vs up");
    if (!built) {
        why_not = "cannot build network namespaces here ('ip netns' failed)";
        return nullptr;  // the destructor removes what was made
    }
    return pair;
}

NetnsPair::~NetnsPair() {
    run("ip netns del " + tool_);
    run("ip netns del " + system_);
}

void NetnsPair::run_in(const std::string& ns, const std::function<void()>& f) {
    // On a thread of its own, so the caller's namespace never changes even on failure.
    std::thread([&] {
        NamespaceVisit visit(ns);
        if (visit.entered()) f();
    }).join();
}

void NetnsPair::cut_link() const { run("ip -n " + system_ + " link set vs down"); }

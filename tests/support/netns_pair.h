// Two network namespaces of this test's own joined by a veth pair: the tool's side
// (198.51.100.1) and a system's side (198.51.100.2). Cutting the link makes the system
// vanish: its packets, and the tool's packets to it, are lost without a word, as when a
// system loses power. Needs root; nothing is created in the namespace the test runs in.
#pragma once

#include <functional>
#include <memory>
#include <string>

class NetnsPair {
public:
    static constexpr const char* ToolAddress = "198.51.100.1";
    static constexpr const char* SystemAddress = "198.51.100.2";

    // The pair, or null with the reason it cannot be built here.
    static std::unique_ptr<NetnsPair> create(std::string& why_not);
    ~NetnsPair();  // removes both namespaces

    // Runs f on the calling thread inside the tool's (or the system's) namespace:
    // sockets made meanwhile belong there, and so do threads started meanwhile.
    void in_tool(const std::function<void()>& f) const { run_in(tool_, f); }
    void in_system(const std::function<void()>& f) const { run_in(system_, f); }

    void cut_link() const;  // takes the system's interface down

private:
    NetnsPair() = default;
    static void run_in(const std::string& ns, const std::function<void()>& f);

    std::string tool_;
    std::string system_;
};

// Keeps every core of the machine busy for as long as it lives, so a test sees the
// tool under the load of a technician's busy laptop. The busy processes are this
// object's own children, ended by their process ids when it goes.
#pragma once

#include <sys/types.h>

#include <vector>

class CpuHog {
public:
    CpuHog();  // one busy process per online core
    ~CpuHog();
    CpuHog(const CpuHog&) = delete;
    CpuHog& operator=(const CpuHog&) = delete;

    size_t processes() const { return children_.size(); }

private:
    std::vector<pid_t> children_;
};

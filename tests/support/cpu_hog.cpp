#include "cpu_hog.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

[[noreturn]] void spin() {
    volatile unsigned long counter = 0;
    for (;;) counter = counter + 1;
}

}  // namespace

CpuHog::CpuHog() {
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    for (long i = 0; i < (cores > 0 ? cores : 1); ++i) {
        const pid_t child = fork();
        if (child == 0) spin();
        if (child > 0) children_.push_back(child);
    }
}

CpuHog::~CpuHog() {
    for (pid_t child : children_) kill(child, SIGKILL);
    for (pid_t child : children_) waitpid(child, nullptr, 0);
}

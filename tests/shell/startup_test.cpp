// Start-up failures, seen as a user sees them: the real executable run in a
// directory of its own, its message and its exit status.
#include "shell/startup.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct ShellRun {
    int status;
    std::string output;
};

ShellRun run_shell(const std::string& command) {
    ShellRun run{-1, {}};
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return run;
    std::array<char, 512> chunk;
    while (size_t n = fread(chunk.data(), 1, chunk.size(), pipe)) run.output.append(chunk.data(), n);
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

// A copy of the program beside the given resource folders only.
class ProgramCopy {
public:
    explicit ProgramCopy(bool with_fonts) {
        char pattern[] = "/tmp/perabo-start-XXXXXX";
        dir_ = mkdtemp(pattern);
        std::string copy = "cp " PERABO_BINARY_DIR "/talvo-perabo " + dir_ + "/ && cp -r " PERABO_BINARY_DIR
                           "/img " + dir_ + "/";
        if (with_fonts) copy += " && cp -r " PERABO_BINARY_DIR "/font " + dir_ + "/";
        EXPECT_EQ(run_shell(copy).status, 0);
    }
    ~ProgramCopy() { run_shell("rm -rf " + dir_); }
    const std::string& dir() const { return dir_; }

private:
    std::string dir_;
};

TEST(Startup, MissingFontIsNamedAndEndsWithFailure) {
    ProgramCopy program(false);
    const ShellRun run = run_shell("cd / && SDL_VIDEODRIVER=dummy timeout 20 " + program.dir() + "/talvo-perabo");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("Unable to open the font " + program.dir() + "/font/sheep.ttf"),
              std::string::npos)
        << run.output;
}

TEST(Startup, NoDisplayIsSaidAndEndsWithFailure) {
    ProgramCopy program(true);
    const ShellRun run = run_shell("env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout 20 " +
                              program.dir() + "/talvo-perabo");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("No display"), std::string::npos) << run.output;
}

TEST(Startup, InvisibleDriverIsAcceptedOnlyWhenAskedFor) {
    EXPECT_TRUE(invisible_video_driver("offscreen", nullptr));
    EXPECT_TRUE(invisible_video_driver("dummy", ""));
    EXPECT_FALSE(invisible_video_driver("dummy", "dummy"));
    EXPECT_FALSE(invisible_video_driver("x11", nullptr));
}

}  // namespace

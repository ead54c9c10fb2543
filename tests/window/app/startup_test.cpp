// Start-up failures, seen as a user sees them: the real executable run in a
// directory of its own, its message and its exit status.
#include "app/startup.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
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

// A FIFO in a font's place would block start-up before any window: it is refused.
TEST(Startup, FontThatIsNoRegularFileIsRefused) {
    ProgramCopy program(true);
    const std::string font = program.dir() + "/font/sheepsansbold.ttf";
    ASSERT_EQ(run_shell("rm " + font + " && mkfifo " + font).status, 0);
    const ShellRun run = run_shell("cd / && SDL_VIDEODRIVER=dummy timeout 20 " + program.dir() + "/talvo-perabo");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("Unable to open the font " + font + ": not a regular file"), std::string::npos)
        << run.output;
}

// An image whose header claims 60000 x 60000 pixels would take gigabytes: refused.
TEST(Startup, HugeImageIsRefused) {
    ProgramCopy program(true);
    const std::string image = program.dir() + "/img/rescan.bmp";
    unsigned char header[54] = {'B', 'M'};
    const auto put32 = [&](int at, uint32_t v) {
        for (int i = 0; i < 4; ++i) header[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    put32(2, sizeof header);
    put32(10, sizeof header);
    put32(14, 40);
    put32(18, 60000);
    put32(22, 60000);
    header[26] = 1;
    header[28] = 24;
    FILE* f = std::fopen(image.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(header, 1, sizeof header, f);
    std::fclose(f);
    const ShellRun run = run_shell("cd / && SDL_VIDEODRIVER=dummy timeout 60 " + program.dir() + "/talvo-perabo");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("Unable to open the image " + image + ": 60000 x 60000 pixels, more than 4096 x 4096"),
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

#include "toolkit/resource_path.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string derive(const std::string& path, char separator) {
    char out[ResourceDirSize];
    std::memset(out, 'x', sizeof out);
    if (derive_resource_dir(path.c_str(), separator, out) != 0) return "<refused:" + std::string(out) + ">";
    return out;
}

TEST(ResourceDir, IsTheExecutablesDirectoryWithoutTrailingSeparator) {
    EXPECT_EQ(derive("/opt/talvo/bin/talvo-perabo", '/'), "/opt/talvo/bin");
    EXPECT_EQ(derive("D:\\A\\B\\tool.exe", '\\'), "D:/A/B");
    EXPECT_EQ(derive("D:\\Programs\\Tool\\tool.exe", '\\'), "D:/Programs/Tool");
}

TEST(ResourceDir, AtTheRootOfAFileSystem) {
    EXPECT_EQ(derive("D:\\tool.exe", '\\'), "D:");
    // The separator at index 0 is not searched: the directory is empty and every
    // resource path then begins with "/", which on Linux is the root itself.
    EXPECT_EQ(derive("/talvo-perabo", '/'), "");
}

TEST(ResourceDir, WithoutSeparatorIsEmpty) {
    EXPECT_EQ(derive("tool.exe", '\\'), "");
    EXPECT_EQ(derive("t", '/'), "");
}

TEST(ResourceDir, LinuxBackslashesAreNameCharacters) {
    EXPECT_EQ(derive("/srv/odd\\name/talvo-perabo", '/'), "/srv/odd\\name");
}

TEST(ResourceDir, RefusesWhatTheBufferCannotHold) {
    const std::string fits = "/" + std::string(250, 'a') + "/tool";  // 256 characters
    EXPECT_EQ(fits.size(), 256u);
    EXPECT_EQ(derive(fits, '/'), "<refused:>");
    const std::string longest = "/" + std::string(249, 'a') + "/tool";  // 255 characters
    EXPECT_EQ(derive(longest, '/'), "/" + std::string(249, 'a'));
    EXPECT_EQ(derive("", '/'), "<refused:>");
}

TEST(ResourcePath, IsRefusedRatherThanCut) {
    std::snprintf(ResourceDir, sizeof ResourceDir, "%s", ("/" + std::string(240, 'd')).c_str());
    char path[ResourcePathSize];
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(format_resource_path(path, "%s/img/icon.bmp"), 0);  // 241 + 13 = 254 characters
    EXPECT_EQ(format_resource_path(path, "%s/img/rescan.bmp"), -1);
    const std::string said = ::testing::internal::GetCapturedStdout();
    EXPECT_STREQ(path, "");
    EXPECT_NE(said.find("Resource path too long"), std::string::npos) << said;
    ResourceDir[0] = '\0';
}

}  // namespace

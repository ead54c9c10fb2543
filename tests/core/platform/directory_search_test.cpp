// The platform's directory search with the Windows meaning of "*.ext".
#include "platform/platform.h"
#include "support/temp_resources.h"

#include <gtest/gtest.h>

#include <cerrno>

TEST(DirectorySearch, MatchesTheExtensionWithoutRegardToCaseInCapitalOrder) {
    TempResources resources;
    for (const char* name : {"Zed.FIRM", "alpha.firm", "Alpha.firm", "beta.firmware", "x.firm.txt"})
        resources.add(name);
    std::vector<std::string> names;
    ASSERT_EQ(platform::find_files_with_extension(resources.firmware_dir().c_str(), ".firm", names), 0);
    // Names equal but for case (possible here, not on Windows) keep byte order.
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha.firm", "alpha.firm", "Zed.FIRM"}));
}

TEST(DirectorySearch, NothingMatchingIsErrorTwo) {
    TempResources resources;
    resources.add("a.txt");
    std::vector<std::string> names{"stale"};
    EXPECT_EQ(platform::find_files_with_extension(resources.firmware_dir().c_str(), ".firm", names), ENOENT);
    EXPECT_TRUE(names.empty());
}

TEST(DirectorySearch, UnreadableDirectoryGivesThePlatformsError) {
    TempResources resources;
    resources.add("plain.firm");
    std::vector<std::string> names;
    EXPECT_EQ(platform::find_files_with_extension((resources.firmware_dir() + "/missing").c_str(), ".firm", names),
              ENOENT);
    EXPECT_EQ(platform::find_files_with_extension(resources.path("plain.firm").c_str(), ".firm", names), ENOTDIR);
}

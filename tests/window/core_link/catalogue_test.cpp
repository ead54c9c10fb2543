// The firmware catalogue: the *.firm files of ResourceDir/firmware, and the matching
// of ".spmmc" files by prefix.
#include "core_link/firmware_catalogue.h"
#include "support/update_fixture.h"
#include "toolkit/resource_path.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<std::string> catalogue() {
    return std::vector<std::string>(FirmwareNames, FirmwareNames + FirmwareCount);
}

// The result, with what was printed on standard output.
template <typename F>
std::pair<int32_t, std::string> printing(F f) {
    ::testing::internal::CaptureStdout();
    const int32_t result = f();
    std::fflush(stdout);
    return {result, ::testing::internal::GetCapturedStdout()};
}

class CatalogueTest : public ::testing::Test {
protected:
    WindowResources resources;
};

}  // namespace

TEST_F(CatalogueTest, ListsFirmwareFilesAloneWithoutDirectoryPart) {
    resources.add("b.firm");
    resources.add("a.firm");
    resources.add("notes.txt");
    resources.add("a.spmmc");
    ChosenFirmware = 3;
    const auto [result, out] = printing(read_firmware_catalogue);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(catalogue(), (std::vector<std::string>{"a.firm", "b.firm"}));
    EXPECT_EQ(ChosenFirmware, -1);
    EXPECT_EQ(out, "");
}

TEST_F(CatalogueTest, OrderIsAlphabeticalWithoutRegardToCaseAndExtensionCaseIsIgnored) {
    for (const char* name : {"c.FIRM", "B.firm", "a.Firm", "a_b.firm", "ab.firm"}) resources.add(name);
    read_firmware_catalogue();
    // As NTFS orders names: by their capitals, where '_' comes after the letters.
    EXPECT_EQ(catalogue(), (std::vector<std::string>{"a.Firm", "ab.firm", "a_b.firm", "B.firm", "c.FIRM"}));
}

// Only regular files can be uploaded: a folder, a FIFO or a link to a device named like
// a firmware file is left out; a link to a regular file is listed.
TEST_F(CatalogueTest, ANameThatIsTheExtensionAloneIsListedButOnlyRegularFiles) {
    resources.add(".firm");
    resources.add("real.bin", {1});
    resources.add_directory("folder.firm");
    resources.add("firm");  // no dot: not a match
    ASSERT_EQ(mkfifo(resources.path("fifo.firm").c_str(), 0600), 0);
    ASSERT_EQ(symlink("/dev/zero", resources.path("zero.firm").c_str()), 0);
    ASSERT_EQ(symlink(resources.path("real.bin").c_str(), resources.path("link.firm").c_str()), 0);
    read_firmware_catalogue();
    EXPECT_EQ(catalogue(), (std::vector<std::string>{".firm", "link.firm"}));
}

TEST_F(CatalogueTest, EmptyDirectoryFailsWithErrorTwoEachTime) {
    for (int read = 0; read < 2; ++read) {
        const auto [result, out] = printing(read_firmware_catalogue);
        EXPECT_EQ(result, -1);
        EXPECT_EQ(FirmwareCount, 0);
        EXPECT_EQ(out, "FindFirstFile failed (2)\n");
    }
}

TEST_F(CatalogueTest, MissingDirectoryFailsWithErrorTwo) {
    std::snprintf(ResourceDir, sizeof ResourceDir, "%s/nowhere", resources.root().c_str());
    const auto [result, out] = printing(read_firmware_catalogue);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(out, "FindFirstFile failed (2)\n");
}

TEST_F(CatalogueTest, EachReadReplacesTheWholeTable) {
    resources.add("a.firm");
    resources.add("b.firm");
    read_firmware_catalogue();
    ASSERT_EQ(FirmwareCount, 2);
    std::remove(resources.path("a.firm").c_str());
    ChosenFirmware = 0;
    read_firmware_catalogue();
    EXPECT_EQ(catalogue(), (std::vector<std::string>{"b.firm"}));
    EXPECT_EQ(ChosenFirmware, -1);
}

TEST_F(CatalogueTest, NamesOf32CharactersOrMoreAreLeftOutWithALine) {
    const std::string longest_kept = std::string(26, 'k') + ".firm";  // 31 characters
    const std::string too_long = std::string(27, 'x') + ".firm";      // 32
    resources.add(longest_kept);
    resources.add(too_long);
    const auto [result, out] = printing(read_firmware_catalogue);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(catalogue(), (std::vector<std::string>{longest_kept}));
    EXPECT_EQ(out, "Firmware file name too long, left out : " + too_long + "\n");
}

TEST_F(CatalogueTest, AtMost200NamesAreKept) {
    for (int i = 0; i < 205; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "fw%03d.firm", i);
        resources.add(name);
    }
    const auto [result, out] = printing(read_firmware_catalogue);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(FirmwareCount, 200);
    EXPECT_STREQ(FirmwareNames[0], "fw000.firm");
    EXPECT_STREQ(FirmwareNames[199], "fw199.firm");
    EXPECT_EQ(out, "More than 200 firmware files: fw200.firm and the next ones are left out\n");
}

// The SD board file of NAME.firm is NAME.spmmc: a file whose name only begins with NAME
// belongs to another firmware, and must never be installed with this one.
TEST_F(CatalogueTest, SpmmcMatchesTheBaseNameExactly) {
    resources.add("fw_20.spmmc");
    EXPECT_EQ(find_spmmc_file("fw_2.firm"), 0);
    EXPECT_EQ(find_spmmc_file("fw_20.firm"), 1);
    EXPECT_EQ(find_spmmc_file("fw_3.firm"), 0);
    EXPECT_EQ(find_spmmc_file("FW_20.firm"), 0);  // the comparison keeps case
    EXPECT_EQ(find_spmmc_file("a.firm"), 0);
    resources.add("a.SPMMC");  // the extension in any case
    EXPECT_EQ(find_spmmc_file("a.firm"), 1);
    resources.add("A.spmmc");  // the firmware's extension too
    EXPECT_EQ(find_spmmc_file("A.FIRM"), 1);
}

TEST_F(CatalogueTest, ExactlyDotFirmMatchesOnlyDotSpmmc) {
    resources.add("zzz.spmmc");
    EXPECT_EQ(find_spmmc_file(".firm"), 0);
    resources.add(".spmmc");
    EXPECT_EQ(find_spmmc_file(".firm"), 1);
}

TEST_F(CatalogueTest, ShortNamesNeverMatchAndPrintNothing) {
    resources.add("a.spmmc");
    const auto [result, out] = printing([] { return find_spmmc_file("firm"); });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(out, "");
}

TEST_F(CatalogueTest, NoSpmmcFileAtAllFailsTheSearch) {
    resources.add("a.firm");
    const auto [result, out] = printing([] { return find_spmmc_file("a.firm"); });
    EXPECT_EQ(result, -1);
    EXPECT_EQ(out, "FindFirstFile failed (2)\n");
}

// What the update is handed: the chosen entry's name and its path, composed once.
TEST_F(CatalogueTest, TheChosenFirmwareIsItsNameAndItsPathInTheFirmwareFolder) {
    resources.add("a.firm");
    resources.add("b.firm");
    ASSERT_EQ(read_firmware_catalogue(), 0);
    const std::string folder = resources.root() + "/firmware";
    EXPECT_EQ(firmware_folder(), folder);
    struct Case {
        int32_t chosen;
        const char* name;  // nullptr: nothing is chosen
    };
    for (const Case& c : {Case{-1, nullptr}, Case{0, "a.firm"}, Case{1, "b.firm"}, Case{2, nullptr}}) {
        SCOPED_TRACE(c.chosen);
        ChosenFirmware = c.chosen;
        const std::optional<FirmwareFile> firmware = chosen_firmware();
        ASSERT_EQ(firmware.has_value(), c.name != nullptr);
        if (!firmware) continue;
        EXPECT_EQ(firmware->name, c.name);
        EXPECT_EQ(firmware->path, folder + "/" + c.name);
    }
}

// The firmware folder's path must fit the 256 bytes a firmware path has; a longer one is
// not searched.
TEST_F(CatalogueTest, AFirmwareFolderOf256CharactersOrMoreIsNotSearched) {
    struct Case {
        size_t resource_dir_length;  // the folder adds "/firmware"
        const char* said;
    };
    for (const Case& c : {Case{246, "FindFirstFile failed (2)\n"}, Case{247, "FindFirstFile failed (36)\n"}}) {
        SCOPED_TRACE(c.resource_dir_length);
        std::snprintf(ResourceDir, sizeof ResourceDir, "%s", ("/" + std::string(c.resource_dir_length - 1, 'd')).c_str());
        const auto [result, out] = printing([] { return read_firmware_catalogue(); });
        EXPECT_EQ(result, -1);
        EXPECT_EQ(out, c.said);
    }
}

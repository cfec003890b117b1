// extract from the command line: files, console output and exit status.
#include <gtest/gtest.h>

#include "tool_runner.hpp"

using namespace e2e;
namespace fs = std::filesystem;

namespace {

const std::string worked_listing =
    "00080000|00012345|00000013|\\MOV\\OPEN.PSS\r\n"
    "00090000|00000800|0000001D|\\MOV\\OPEX.PSS\r\n"
    "000F0000|00000010|0000003E|\\SND\\BGM\\T1.DAT\r\n"
    "000F0800|00000020|00000048|\\SND\\BGM\\T2.DAT\r\n"
    "000F1000|00010000|00000058|\\SND\\BGM\\T10.DAT\r\n"
    "00170000|00001000|00000070|\\VOICE\\V.BIN\r\n" +
    std::string(1, '\0');

TEST(Extract, SampleTableGivesTheWorkedListing) {
    temp_dir dir;
    fs::copy_file(examples_dir() / "episode2.bin", dir / "00file");
    run_result r = run_tool("extract", {"00file", "out.lba"}, dir.path);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, expected_banner("extract"));
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(read_file(dir / "out.lba"), worked_listing);
}

TEST(Extract, WrongArgumentCountPrintsUsageAndTouchesNothing) {
    temp_dir dir;
    write_file(dir / "keep.lba", "precious");
    for (const auto& args : std::vector<std::vector<std::string>>{{}, {"t.bin"}, {"t.bin", "keep.lba", "x"}}) {
        run_result r = run_tool("extract", args, dir.path);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, expected_banner("extract") + expected_usage("extract"));
        EXPECT_EQ(r.err, "");
    }
    EXPECT_EQ(read_file(dir / "keep.lba"), "precious");
    EXPECT_FALSE(fs::exists(dir / "t.bin"));
}

TEST(Extract, MissingTableCreatesNoListing) {
    temp_dir dir;
    run_result r = run_tool("extract", {"missing.bin", "out.lba"}, dir.path);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, expected_banner("extract"));
    EXPECT_EQ(r.err, fatal_line("Sys_error(\"missing.bin: No such file or directory\")"));
    EXPECT_FALSE(fs::exists(dir / "out.lba"));
}

TEST(Extract, ListingThatCannotBeCreated) {
    temp_dir dir;
    fs::copy_file(examples_dir() / "episode2.bin", dir / "t.bin");
    run_result r = run_tool("extract", {"t.bin", "nodir/out.lba"}, dir.path);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, fatal_line("Sys_error(\"nodir/out.lba: No such file or directory\")"));
}

struct table_case {
    const char* what;
    std::string table;    // hexadecimal bytes
    std::string listing;  // what the listing file holds afterwards
    std::string error;    // the fatal error's text, empty for status 0
};

TEST(Extract, TablesAndWhatTheyLeaveBehind) {
    const table_case cases[] = {
        {"empty table: empty listing", "", "", "End_of_file"},
        {"one byte: empty listing", "20", "", "End_of_file"},
        {"no file at all", "20 00", std::string(1, '\0'), ""},
        // The numbers and the path of the failing line are written before its name fails.
        {"first file merged", "00 03 11 41 00 00 00 00 00 00 00 00", "00000000|00000000|00000004|\\",
         "Invalid_argument(\"index out of bounds\")"},
        {"close count too large by one", "00 04 00 41 00 01 00 00 01 00 00 00 87 01 00 41 42 43 00",
         "00000800|00000001|00000005|\\A\r\n", "Match_failure(\"extract\", 94, 12)"},
        {"close count too large by two", "00 87 02 00 41 42 43 00", "", "Match_failure(\"extract\", 95, 12)"},
        {"sector below the base", "10 04 00 41 00 01 00 00 01 00 00 00", "",
         "Failure(\"Fonction Hexa : Pas un chiffre \n\")"},
        {"offset too large for the listing", "00 04 00 41 00 01 00 00 01 00 00 00 04 00 42 00 00 00 40 02 00 00 00 00",
         "00000800|00000001|00000005|\\A\r\n",
         "Failure(\"Data offset 200000000 of the file whose location field is at position 00000010 does not fit in 8 "
         "hexadecimal digits\")"},
    };
    for (const auto& c : cases) {
        temp_dir dir;
        write_file(dir / "t.bin", hex_bytes(c.table));
        write_file(dir / "out.lba", "an old listing that must go");
        run_result r = run_tool("extract", {"t.bin", "out.lba"}, dir.path);
        EXPECT_EQ(r.status, c.error.empty() ? 0 : 2) << c.what;
        EXPECT_EQ(r.out, expected_banner("extract")) << c.what;
        EXPECT_EQ(r.err, c.error.empty() ? "" : fatal_line(c.error)) << c.what;
        EXPECT_EQ(read_file(dir / "out.lba"), c.listing) << c.what;
    }
}

TEST(Extract, RefusesToWriteTheListingOverItsTable) {
    temp_dir dir;
    std::string table = read_file(examples_dir() / "episode2.bin");
    write_file(dir / "t.bin", table);
    fs::create_directory(dir / "sub");
    run_result r = run_tool("extract", {"t.bin", "sub/../t.bin"}, dir.path);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, expected_banner("extract"));
    EXPECT_EQ(r.err, fatal_line("Failure(\"sub/../t.bin: is the table file; refusing to overwrite it\")"));
    EXPECT_EQ(read_file(dir / "t.bin"), table);

    if (!windows_target()) {
        fs::create_symlink("t.bin", dir / "link.lba");
        fs::create_hard_link(dir / "t.bin", dir / "hard.lba");
        for (std::string name : {"link.lba", "hard.lba"}) {
            r = run_tool("extract", {"t.bin", name}, dir.path);
            EXPECT_EQ(r.status, 2) << name;
            EXPECT_EQ(read_file(dir / "t.bin"), table) << name;
        }
    }
}

}  // namespace

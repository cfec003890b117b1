// tablebuild from the command line: the round trip, edits, and failures.
#include <gtest/gtest.h>

#include "tool_runner.hpp"

using namespace e2e;
namespace fs = std::filesystem;

namespace {

TEST(Tablebuild, UnchangedListingGivesTheSameTable) {
    temp_dir dir;
    fs::copy_file(examples_dir() / "episode2.bin", dir / "old.bin");
    ASSERT_EQ(run_tool("extract", {"old.bin", "old.lba"}, dir.path).status, 0);
    run_result r = run_tool("tablebuild", {"old.bin", "old.lba", "new.bin"}, dir.path);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, expected_banner("tablebuild"));
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(read_file(dir / "new.bin"), read_file(dir / "old.bin"));
}

TEST(Tablebuild, EditedOffsetAndSizeLandWhereTheListingSays) {
    temp_dir dir;
    fs::copy_file(examples_dir() / "episode2.bin", dir / "old.bin");
    ASSERT_EQ(run_tool("extract", {"old.bin", "old.lba"}, dir.path).status, 0);
    std::string listing = read_file(dir / "old.lba");
    // Third line, \SND\BGM\T1.DAT: location field at 0x3E.
    std::string before = "000F0000|00000010|0000003E|";
    std::size_t at = listing.find(before);
    ASSERT_NE(at, std::string::npos);
    listing.replace(at, before.size(), "00ABC800|0001E240|0000003E|");
    write_file(dir / "new.lba", listing);

    ASSERT_EQ(run_tool("tablebuild", {"old.bin", "new.lba", "new.bin"}, dir.path).status, 0);
    std::string expected = read_file(dir / "old.bin");
    // 0xABC800 / 2048 = 0x1579, plus the base sector 0x20.
    expected.replace(0x3E, 7, std::string("\x99\x15\x00\x40\xE2\x01\x00", 7));
    EXPECT_EQ(read_file(dir / "new.bin"), expected);

    // Extracted again, only that line differs.
    ASSERT_EQ(run_tool("extract", {"new.bin", "again.lba"}, dir.path).status, 0);
    EXPECT_EQ(read_file(dir / "again.lba"), listing);
}

TEST(Tablebuild, WrongArgumentCountPrintsUsage) {
    temp_dir dir;
    for (const auto& args : std::vector<std::vector<std::string>>{{}, {"a"}, {"a", "b"}, {"a", "b", "c", "d"}}) {
        run_result r = run_tool("tablebuild", args, dir.path);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, expected_banner("tablebuild") + expected_usage("tablebuild"));
    }
    EXPECT_TRUE(fs::is_empty(dir.path));
}

TEST(Tablebuild, MissingInputsCreateNoOutput) {
    temp_dir dir;
    write_file(dir / "old.bin", hex_bytes("20 00"));
    write_file(dir / "l.lba", std::string(1, '\0'));
    run_result r = run_tool("tablebuild", {"nope.bin", "l.lba", "new.bin"}, dir.path);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, fatal_line("Sys_error(\"nope.bin: No such file or directory\")"));
    r = run_tool("tablebuild", {"old.bin", "nope.lba", "new.bin"}, dir.path);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, fatal_line("Sys_error(\"nope.lba: No such file or directory\")"));
    EXPECT_FALSE(fs::exists(dir / "new.bin"));
}

struct build_case {
    const char* what;
    std::string old_table;
    std::string listing;
    std::string new_table;
    std::string error;
};

TEST(Tablebuild, ListingsAndWhatTheyLeaveBehind) {
    const std::string old = hex_bytes("20 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13");
    const std::string nul(1, '\0');
    const build_case cases[] = {
        {"empty old table", "", nul, "", "End_of_file"},
        {"no line: a copy", old, nul, old, ""},
        {"field past the old end makes the table longer", old, "00000800|0000ABCD|00000010|\\x\r\n" + nul,
         old.substr(0, 16) + hex_bytes("21 00 00 CD AB 00 00"), ""},
        {"position past the end", old, "00000800|0000ABCD|00000015|\\x\r\n" + nul, old, "End_of_file"},
        {"missing final NUL", old, "00000800|0000ABCD|00000002|\\x\r\n",
         old.substr(0, 2) + hex_bytes("21 00 00 CD AB 00 00"), "End_of_file"},
        {"bad digit on the second line", old, "00000800|0000ABCD|00000002|\\x\r\n0000080G|00000000|00000010|\r\n" + nul,
         old.substr(0, 2) + hex_bytes("21 00 00 CD AB 00 00"), "Failure(\"int_of_string\")"},
        {"out of order", old, "00000800|0000ABCD|00000009|\\x\r\n00000000|00000000|00000003|\\y\r\n" + nul,
         old.substr(0, 9) + hex_bytes("21 00 00 CD AB 00 00"),
         "Failure(\"Listing line 2: location position 00000003 overlaps or precedes the previous location field, "
         "which ends at 00000010; lines must follow the order of the table\")"},
    };
    for (const auto& c : cases) {
        temp_dir dir;
        write_file(dir / "old.bin", c.old_table);
        write_file(dir / "new.lba", c.listing);
        write_file(dir / "new.bin", "old contents of the output");
        run_result r = run_tool("tablebuild", {"old.bin", "new.lba", "new.bin"}, dir.path);
        EXPECT_EQ(r.status, c.error.empty() ? 0 : 2) << c.what;
        EXPECT_EQ(r.out, expected_banner("tablebuild")) << c.what;
        EXPECT_EQ(r.err, c.error.empty() ? "" : fatal_line(c.error)) << c.what;
        EXPECT_EQ(read_file(dir / "new.bin"), c.new_table) << c.what;
    }
}

TEST(Tablebuild, RefusesToWriteOverAnInput) {
    temp_dir dir;
    std::string table = read_file(examples_dir() / "episode2.bin");
    write_file(dir / "old.bin", table);
    write_file(dir / "new.lba", std::string(1, '\0'));
    run_result r = run_tool("tablebuild", {"old.bin", "new.lba", "./old.bin"}, dir.path);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, fatal_line("Failure(\"./old.bin: is the old table file; refusing to overwrite it\")"));
    r = run_tool("tablebuild", {"old.bin", "new.lba", "./new.lba"}, dir.path);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, fatal_line("Failure(\"./new.lba: is the listing; refusing to overwrite it\")"));
    EXPECT_EQ(read_file(dir / "old.bin"), table);
    EXPECT_EQ(read_file(dir / "new.lba"), std::string(1, '\0'));
}

}  // namespace

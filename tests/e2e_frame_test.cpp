// What every program shares: response files, file-name patterns, and the
// fatal-error report.
#include <gtest/gtest.h>

#include "tool_runner.hpp"

using namespace e2e;
namespace fs = std::filesystem;

namespace {

TEST(CommandLine, ResponseFileStandsForItsArguments) {
    temp_dir dir;
    fs::copy_file(examples_dir() / "episode2.bin", dir / "t.bin");
    write_file(dir / "args.txt", "t.bin\r\nout.lba\r\n");
    run_result r = run_tool("extract", {"@args.txt"}, dir.path);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(read_file(dir / "out.lba").substr(0, 9), "00080000|");
}

TEST(CommandLine, MissingResponseFileEndsTheRunBeforeTheBanner) {
    temp_dir dir;
    run_result r = run_tool("extract", {"@missing.txt"}, dir.path);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, console("Cannot open file missing.txt\n"));
}

TEST(CommandLine, ResponseFileNamingItself) {
    temp_dir dir;
    write_file(dir / "loop.txt", "a @loop.txt");
    run_result r = run_tool("tablebuild", {"@loop.txt"}, dir.path);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, console("Response files nested too deeply: loop.txt\n"));
}

TEST(CommandLine, PatternMatchingTwoFilesMakesFourArguments) {
    temp_dir dir;
    write_file(dir / "a.bin", hex_bytes("20 00"));
    write_file(dir / "b.bin", hex_bytes("20 00"));
    run_result r = run_tool("extract", {"*.bin", "out.txt"}, dir.path);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, expected_banner("extract") + expected_usage("extract"));
    EXPECT_FALSE(fs::exists(dir / "out.txt"));
}

TEST(CommandLine, PatternMatchingOneFileIsThatFile) {
    temp_dir dir;
    write_file(dir / "only.bin", hex_bytes("20 00"));
    run_result r = run_tool("extract", {"o?ly.*", "out.txt"}, dir.path);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_file(dir / "out.txt"), std::string(1, '\0'));
}

TEST(CommandLine, PatternMatchingNothingIsKeptAsTyped) {
    temp_dir dir;
    run_result r = run_tool("extract", {"*.zzz", "out.txt"}, dir.path);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, expected_banner("extract"));
    std::string reason = windows_target() ? "Invalid argument" : "No such file or directory";
    EXPECT_EQ(r.err, fatal_line("Sys_error(\"*.zzz: " + reason + "\")"));
}

TEST(FatalError, LongTextIsCutAt255Bytes) {
    temp_dir dir;
    // "Sys_error(\"" + path + ": No such file or directory" + "\")": 11 + n + 27 + 2.
    std::string fits(242 - 27, 'p');
    run_result r = run_tool("extract", {fits, "out.lba"}, dir.path);
    EXPECT_EQ(r.err, fatal_line("Sys_error(\"" + fits + ": No such file or directory\")"));
    std::string longer(243 - 27, 'p');
    r = run_tool("extract", {longer, "out.lba"}, dir.path);
    EXPECT_EQ(r.err, fatal_line("Sys_error(\"" + longer + ": No such file or directory\""));
    EXPECT_EQ(r.status, 2);
}

TEST(FatalError, PendingOutputReachesTheFileBeforeTheReport) {
    // Many complete lines, then a failure in the middle of the next one: every
    // byte written so far is in the listing, though the last line was never flushed.
    temp_dir dir;
    std::string table = hex_bytes("00");
    for (int i = 0; i < 300; ++i) table += hex_bytes("04 00 41 00 01 00 00 01 00 00 00");
    table += hex_bytes("03 21 42 00 00 00 00 00 00 00");
    write_file(dir / "t.bin", table);
    run_result r = run_tool("extract", {"t.bin", "out.lba"}, dir.path);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, fatal_line("Invalid_argument(\"String.blit\")"));
    std::string listing = read_file(dir / "out.lba");
    EXPECT_EQ(listing.size(), 300 * 31 + 28u);
    EXPECT_EQ(listing.substr(listing.size() - 28), "00000000|00000000|00000CE8|\\");
}

}  // namespace

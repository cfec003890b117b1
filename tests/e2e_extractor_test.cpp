// extractor from the command line, and its listing through tablebuild.
#include <gtest/gtest.h>

#include "tool_runner.hpp"

using namespace e2e;
namespace fs = std::filesystem;

namespace {

const std::string worked_listing =
    "00080000|00012345|0000000F|\\MOV\\OPEN.PSS\r\n"
    "00090000|00000800|0000001F|\\MOV\\OPEX.PSS\r\n"
    "000F0000|00000010|0000003A|\\SND\\BGM\\T1.DAT\r\n"
    "00170000|00001000|0000004E|\\VOICE\\V.BIN\r\n" +
    std::string(1, '\0');

TEST(Extractor, SampleTableGivesTheWorkedListingAndRoundTrips) {
    temp_dir dir;
    fs::copy_file(examples_dir() / "episode1.bin", dir / "table");
    run_result r = run_tool("extractor", {"table", "out.lba"}, dir.path);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, expected_banner("extractor"));
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(read_file(dir / "out.lba"), worked_listing);

    r = run_tool("tablebuild", {"table", "out.lba", "new.bin"}, dir.path);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_file(dir / "new.bin"), read_file(dir / "table"));
}

TEST(Extractor, WrongArgumentCountPrintsUsage) {
    temp_dir dir;
    for (const auto& args : std::vector<std::vector<std::string>>{{}, {"a"}, {"a", "b", "c"}}) {
        run_result r = run_tool("extractor", args, dir.path);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, expected_banner("extractor") + expected_usage("extractor"));
        EXPECT_EQ(r.err, "");
    }
    EXPECT_TRUE(fs::is_empty(dir.path));
}

struct table_case {
    const char* what;
    std::string table;
    std::string listing;
    std::string error;
};

TEST(Extractor, TablesAndWhatTheyLeaveBehind) {
    const table_case cases[] = {
        {"empty table", "", "", "End_of_file"},
        {"no file at all", "20 00", std::string(1, '\0'), ""},
        {"directory error after a complete line", "00 02 41 01 00 00 01 00 00 00 84 01 41 41 00",
         "00000800|00000001|00000003|\\A\r\n", "Failure(\"Erreur de r\xE9pertoire\")"},
        {"end of file inside the extra field keeps the line", "00 42 41 01 00 00 01 00 00 00 01",
         "00000800|00000001|00000003|\\A\r\n", "End_of_file"},
        {"head length 0", "00 40 00 00 00 00 00 00 00 00", "", "Invalid_argument(\"String.create\")"},
        {"sector below the base", "10 02 41 0F 00 00 00 00 00 00 00", "",
         "Failure(\"Fonction Hexa : Pas un chiffre \n\")"},
    };
    for (const auto& c : cases) {
        temp_dir dir;
        write_file(dir / "t.bin", hex_bytes(c.table));
        run_result r = run_tool("extractor", {"t.bin", "out.lba"}, dir.path);
        EXPECT_EQ(r.status, c.error.empty() ? 0 : 2) << c.what;
        EXPECT_EQ(r.out, expected_banner("extractor")) << c.what;
        EXPECT_EQ(r.err, c.error.empty() ? "" : fatal_line(c.error)) << c.what;
        EXPECT_EQ(read_file(dir / "out.lba"), c.listing) << c.what;
    }
}

TEST(Extractor, MissingTableAndSameFile) {
    temp_dir dir;
    run_result r = run_tool("extractor", {"missing", "out.lba"}, dir.path);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, fatal_line("Sys_error(\"missing: No such file or directory\")"));
    EXPECT_FALSE(fs::exists(dir / "out.lba"));

    std::string table = read_file(examples_dir() / "episode1.bin");
    write_file(dir / "t.bin", table);
    r = run_tool("extractor", {"t.bin", "./t.bin"}, dir.path);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, fatal_line("Failure(\"./t.bin: is the table file; refusing to overwrite it\")"));
    EXPECT_EQ(read_file(dir / "t.bin"), table);
}

}  // namespace

#include <gtest/gtest.h>

#include "extract_walk.hpp"
#include "test_files.hpp"

using namespace drovenna;
using testing_files::bytes_of;
using testing_files::describe;
using testing_files::error_of;
using testing_files::input_of;
using testing_files::output_of;

namespace {

// Walks a whole table (base sector first) as the program does, and gives
// back what the listing holds afterwards, with the final NUL only when the
// walk ended normally.
std::string walk(const std::string& table_hex, std::string* failure) {
    auto table = input_of(bytes_of(table_hex));
    std::optional<error> raised;
    std::string listing = output_of(
        [&](out_channel& out) {
            std::int64_t base = input_byte(*table);
            std::string file_name(file_name_buffer_size, 'a');
            dir_list dirs;
            walk_table(*table, out, file_name, dirs, base);
            output_byte(out, 0);
        },
        &raised);
    *failure = raised ? describe(raised) : "";
    return listing;
}

std::string line(const std::string& numbers, const std::string& path) { return numbers + "|" + path + "\r\n"; }

const std::string nul(1, '\0');

const std::string worked_table =
    "20"
    " 87 00 00 4D 4F 56 00"
    " 0B 00 4F 50 45 4E 2E 50 53 53 00 20 01 00 45 23 01 00"
    " 43 41 58 40 01 00 00 08 00 00 01 02 03"
    " 87 01 20 53 4E 44 00"
    " 87 00 00 42 47 4D 00"
    " 09 00 54 31 2E 44 41 54 00 00 02 00 10 00 00 00"
    " 03 41 32 01 02 00 20 00 00 00"
    " 09 47 31 30 2E 44 41 54 00 02 02 00 00 00 01 00"
    " 89 02 00 56 4F 49 43 45 00"
    " 08 00 56 2E 42 49 4E 00 00 03 00 00 10 00 00"
    " 00";

const std::string worked_listing =
    line("00080000|00012345|00000013", "\\MOV\\OPEN.PSS") + line("00090000|00000800|0000001D", "\\MOV\\OPEX.PSS") +
    line("000F0000|00000010|0000003E", "\\SND\\BGM\\T1.DAT") +
    line("000F0800|00000020|00000048", "\\SND\\BGM\\T2.DAT") +
    line("000F1000|00010000|00000058", "\\SND\\BGM\\T10.DAT") + line("00170000|00001000|00000070", "\\VOICE\\V.BIN");

TEST(ExtractWalk, WorkedTable) {
    std::string failure;
    EXPECT_EQ(walk(worked_table, &failure), worked_listing + nul);
    EXPECT_EQ(failure, "");
}

struct walk_case {
    const char* what;
    std::string table;
    std::string listing;  // what the listing holds afterwards
    std::string failure;  // the error's text, empty for a normal end
};

const walk_case cases[] = {
    {"only a base sector and the end byte", "20 00", nul, ""},
    {"bytes after the end byte are never read", worked_table + " 87 FF 12", worked_listing + nul, ""},
    {"root file", "00 06 00 41 2E 42 00 05 00 00 10 00 00 00 00", line("00002800|00000010|00000007", "\\A.B") + nul,
     ""},
    {"empty name", "00 02 00 00 00 00 01 00 00 00 00", line("00000000|00000001|00000003", "\\") + nul, ""},
    {"sector equal to the base", "7F 04 00 5A 00 7F 00 00 02 00 00 00 00",
     line("00000000|00000002|00000005", "\\Z") + nul, ""},
    {"largest offset that fits", "00 04 00 5A 00 FF FF 1F FF FF FF FF 00",
     line("FFFFF800|FFFFFFFF|00000005", "\\Z") + nul, ""},
    {"shorter merge, then a merge that picks the old tail up again",
     "00 09 00 41 42 43 44 45 46 00 01 00 00 01 00 00 00"
     " 04 32 58 00 02 00 00 01 00 00 00"
     " 04 02 59 5A 03 00 00 01 00 00 00 00",
     line("00000800|00000001|0000000A", "\\ABCDEF") + line("00001000|00000001|00000015", "\\ABX") +
         line("00001800|00000001|00000020", "\\ABYZEF") + nul,
     ""},
    {"close count equal to the open count: the outermost is the previous directory",
     "00 88 00 00 41 41 41 41 00 88 00 00 42 42 42 42 00 85 02 01 58 00 04 00 46 00 00 00 00 00 00 00 00 00",
     line("00000000|00000000|0000001A", "\\AAAX\\F") + nul, ""},
    {"empty directory name gives two separators", "00 84 00 00 00 85 00 00 44 00 04 00 46 00 00 00 00 00 00 00 00 00",
     line("00000000|00000000|0000000E", "\\\\D\\F") + nul, ""},
    {"directory name field with bytes after its NUL", "00 87 00 00 44 00 58 59 04 00 46 00 00 00 00 00 00 00 00 00",
     line("00000000|00000000|0000000C", "\\D\\F") + nul, ""},
    {"whole file name without a NUL, then a merge on it",
     "00 06 00 41 42 43 44 01 00 00 01 00 00 00 03 01 45 02 00 00 02 00 00 00 00",
     line("00000800|00000001|00000007", "\\ABCD") + "00001000|00000002|00000011|\\",
     "Invalid_argument(\"index out of bounds\")"},
    {"first file with a merged name", "00 03 11 41 00 00 00 00 00 00 00 00", "00000000|00000000|00000004|\\",
     "Invalid_argument(\"index out of bounds\")"},
    {"copy count larger than the name field", "00 04 00 41 00 00 00 00 00 00 00 00 03 05 41 00 00 00 00 00 00 00 00",
     line("00000000|00000000|00000005", "\\A") + "00000000|00000000|0000000F|\\", "Invalid_argument(\"String.blit\")"},
    {"head length 2 with a copy count", "00 04 00 41 00 00 00 00 00 00 00 00 02 01 00 00 00 00 00 00 00 00",
     line("00000000|00000000|00000005", "\\A") + "00000000|00000000|0000000E|\\", "Invalid_argument(\"String.blit\")"},
    {"head length 1", "00 01 00 00", "", "Invalid_argument(\"String.create\")"},
    {"head length 0 (long form)", "00 40 00 00", "", "Invalid_argument(\"String.create\")"},
    {"close count one above the open count", "00 87 01 00 41 42 43 00", "", "Match_failure(\"extract\", 94, 12)"},
    {"close count two above the open count", "00 85 00 00 41 00 87 03 00 41 42 43 00", "",
     "Match_failure(\"extract\", 95, 12)"},
    {"record length below 3", "00 82 00 00 00", "", "Invalid_argument(\"String.create\")"},
    {"merged directory name with close count 0", "00 85 00 10 41 00 00", "",
     "Invalid_argument(\"index out of bounds\")"},
    {"whole directory name without a NUL", "00 84 00 00 41 00", "", "Invalid_argument(\"index out of bounds\")"},
    {"empty directory name field", "00 83 00 00 00", "", "Invalid_argument(\"index out of bounds\")"},
    {"merged directory name covering the old NUL without its own", "00 85 00 00 41 00 85 01 01 58 59 00", "",
     "Invalid_argument(\"index out of bounds\")"},
    {"back count reaching before the previous directory name", "00 85 00 00 41 00 85 01 20 58 00 00", "",
     "Invalid_argument(\"String.blit\")"},
    {"sector below the base", "20 04 00 41 00 1F 00 00 00 00 00 00 00", "",
     "Failure(\"Fonction Hexa : Pas un chiffre \n\")"},
    {"data offset of 2^32", "00 04 00 41 00 00 00 20 00 00 00 00 00", "",
     "Failure(\"Data offset 100000000 of the file whose location field is at position 00000005 does not fit in 8 "
     "hexadecimal digits\")"},
    {"table ends inside a record", "00 04 00 41 00 01 00 00 01 00 00 00 04 00 41 00 01",
     "00000800|00000001|00000005|\\A\r\n", "End_of_file"},
    {"table ends before the end byte", "00 04 00 41 00 01 00 00 01 00 00 00", line("00000800|00000001|00000005", "\\A"),
     "End_of_file"},
    {"table ends inside the extra field", "00 44 00 41 00 01 00 00 01 00 00 00 01 02",
     line("00000800|00000001|00000005", "\\A"), "End_of_file"},
};

TEST(ExtractWalk, Cases) {
    for (const auto& c : cases) {
        std::string failure;
        EXPECT_EQ(walk(c.table, &failure), c.listing) << c.what;
        EXPECT_EQ(failure, c.failure) << c.what;
    }
}

struct merge_case {
    std::string target, piece;
    std::int64_t back, count;
    std::string result, failure;
};

TEST(MergeName, CopiesBackCountPlusOneBeforeTheNul) {
    const std::string t = std::string("OPEN.PSS\0", 9);
    const merge_case merges[] = {
        {t, "X", 4, 1, std::string("OPEX.PSS\0", 9), ""},
        {std::string("T2.DAT\0aa", 9), std::string("10.DAT\0", 7), 4, 7, std::string("T10.DAT\0a", 9), ""},
        {std::string("MOV\0", 4), std::string("SND\0", 4), 2, 4, std::string("SND\0", 4), ""},
        {t, "X", 7, 1, std::string("XPEN.PSS\0", 9), ""},
        {t, "X", 8, 1, t, "Invalid_argument(\"String.blit\")"},
        {t, "XY", 0, 3, t, "Invalid_argument(\"String.blit\")"},
        {t, "XYZ", 0, 3, t, "Invalid_argument(\"String.blit\")"},
        {t, "XY", 0, 2, std::string("OPEN.PSXY", 9), ""},
        {"choucroute", "X", 0, 1, "choucroute", "Invalid_argument(\"index out of bounds\")"},
    };
    for (const auto& c : merges) {
        std::string target = c.target;
        auto e = error_of([&] { merge_name(target, c.piece, c.back, c.count); });
        EXPECT_EQ(target, c.result) << c.piece << " " << c.back;
        EXPECT_EQ(e ? describe(e) : "", c.failure) << c.piece << " " << c.back;
    }
}

TEST(CloseDirectories, SiblingNameAndFailures) {
    const std::string filler(sibling_filler_size, 'a');
    dir_list dirs{"A", "B", "C"};
    EXPECT_EQ(close_directories(0, dirs, filler), "choucroute");
    EXPECT_EQ(dirs, (dir_list{"A", "B", "C"}));
    EXPECT_EQ(close_directories(2, dirs, filler), "B" + std::string(1, '\0') + filler);
    EXPECT_EQ(dirs, (dir_list{"A"}));
    dir_list one{"A"};
    EXPECT_EQ(describe(error_of([&] { close_directories(2, one, filler); })), "Match_failure(\"extract\", 94, 12)");
    dir_list none;
    EXPECT_EQ(describe(error_of([&] { close_directories(3, none, filler); })), "Match_failure(\"extract\", 95, 12)");
}

TEST(NulHelpers, TerminatedLengthAndCut) {
    EXPECT_EQ(terminated_length(std::string("AB\0C", 4)), 3);
    EXPECT_EQ(terminated_length(std::string("\0", 1)), 1);
    EXPECT_EQ(cut_at_nul(std::string("AB\0C", 4)), "AB");
    EXPECT_EQ(cut_at_nul(std::string("\0C", 2)), "");
    EXPECT_EQ(describe(error_of([] { terminated_length("ABC"); })), "Invalid_argument(\"index out of bounds\")");
    EXPECT_EQ(describe(error_of([] { cut_at_nul(""); })), "Invalid_argument(\"index out of bounds\")");
}

}  // namespace

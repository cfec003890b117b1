#include <gtest/gtest.h>

#include "extractor_walk.hpp"
#include "test_files.hpp"

using namespace drovenna;
using testing_files::bytes_of;
using testing_files::describe;
using testing_files::input_of;
using testing_files::output_of;

namespace {

std::string walk_1(const std::string& table_hex, std::string* failure) {
    auto table = input_of(bytes_of(table_hex));
    std::optional<error> raised;
    std::string listing = output_of(
        [&](out_channel& out) {
            std::int64_t base = input_byte(*table);
            dir_list dirs;
            walk_table_1(*table, out, dirs, base);
            output_byte(out, 0);
        },
        &raised);
    *failure = raised ? describe(raised) : "";
    return listing;
}

std::string line(const std::string& numbers, const std::string& path) { return numbers + "|" + path + "\r\n"; }

const std::string nul(1, '\0');
const std::string directory_error = "Failure(\"Erreur de r\xE9pertoire\")";

struct walk_case {
    const char* what;
    std::string table;
    std::string listing;
    std::string failure;
};

const walk_case cases[] = {
    {"worked table",
     "20 85 00 4D 4F 56"
     " 09 4F 50 45 4E 2E 50 53 53 20 01 00 45 23 01 00"
     " 49 4F 50 45 58 2E 50 53 53 40 01 00 00 08 00 00 01 02 03"
     " F5 01 53 4E 44"
     " 85 00 42 47 4D"
     " 07 54 31 2E 44 41 54 00 02 00 10 00 00 00"
     " 87 02 56 4F 49 43 45"
     " 06 56 2E 42 49 4E 00 03 00 00 10 00 00"
     " 00",
     line("00080000|00012345|0000000F", "\\MOV\\OPEN.PSS") + line("00090000|00000800|0000001F", "\\MOV\\OPEX.PSS") +
         line("000F0000|00000010|0000003A", "\\SND\\BGM\\T1.DAT") +
         line("00170000|00001000|0000004E", "\\VOICE\\V.BIN") + nul,
     ""},
    {"only a base sector and the end byte", "20 00", nul, ""},
    {"lead bytes 0x85, 0xA5 and 0xF5 all give five-byte directory records",
     "00 85 00 41 42 43 A5 00 44 45 46 F5 00 47 48 49 02 46 00 00 00 00 00 00 00 00",
     line("00000000|00000000|00000012", "\\ABC\\DEF\\GHI\\F") + nul, ""},
    {"root file, empty directory name, empty file names in both forms",
     "00 02 5A 00 00 00 09 00 00 00 82 00 01 00 00 00 05 00 00 00 41 00 00 00 06 00 00 00 01 02 03 00",
     line("00000000|00000009|00000003", "\\Z") + line("00000000|00000005|0000000D", "\\\\") +
         line("00000000|00000006|00000015", "\\\\") + nul,
     ""},
    {"a NUL byte inside a name reaches the listing", "00 04 41 00 42 01 00 00 01 00 00 00 00",
     line("00000800|00000001|00000005", std::string("\\A\0B", 4)) + nul, ""},
    {"close count equal to the open count", "00 84 00 41 41 84 00 42 42 84 02 43 43 02 46 00 00 00 00 00 00 00 00",
     line("00000000|00000000|0000000F", "\\CC\\F") + nul, ""},
    {"close count one above the open count", "00 84 00 41 41 84 02 42 42 00", "", directory_error},
    {"close count 1 before any directory", "00 02 46 00 00 00 00 00 00 00 84 01 41 41 00",
     line("00000000|00000000|00000003", "\\F"), directory_error},
    {"close count 0 on no directory is fine", "00 83 00 41 02 46 00 00 00 00 00 00 00 00",
     line("00000000|00000000|00000006", "\\A\\F") + nul, ""},
    {"table ends inside the extra field", "00 42 41 01 00 00 01 00 00 00 01", line("00000800|00000001|00000003", "\\A"),
     "End_of_file"},
    {"table ends inside a record", "00 02 41 01 00 00 01 00 00 00 02 41 01 00",
     line("00000800|00000001|00000003", "\\A"), "End_of_file"},
    {"table ends before the end byte", "00 85 00 41 42 43", "", "End_of_file"},
    {"head length 0", "00 40 00 00 00 00 00 00 00 00", "", "Invalid_argument(\"String.create\")"},
    {"record length 1", "00 81 00 00", "", "Invalid_argument(\"String.create\")"},
    {"record length 0, bits 4 to 6 set", "00 90 00 00", "", "Invalid_argument(\"String.create\")"},
    {"record length 1 after the close count failed", "00 91 01 00", "", directory_error},
    {"sector below the base", "10 02 41 0F 00 00 00 00 00 00 00", "", "Failure(\"Fonction Hexa : Pas un chiffre \n\")"},
    {"data offset of 2^32", "00 02 41 00 00 20 00 00 00 00 00", "",
     "Failure(\"Data offset 100000000 of the file whose location field is at position 00000003 does not fit in 8 "
     "hexadecimal digits\")"},
};

TEST(ExtractorWalk, Cases) {
    for (const auto& c : cases) {
        std::string failure;
        EXPECT_EQ(walk_1(c.table, &failure), c.listing) << c.what;
        EXPECT_EQ(failure, c.failure) << c.what;
    }
}

TEST(CloseDirectories1, DropsTheOpenOnesThenFails) {
    dir_list dirs{"A", "B"};
    close_directories_1(0, dirs);
    EXPECT_EQ(dirs, (dir_list{"A", "B"}));
    close_directories_1(1, dirs);
    EXPECT_EQ(dirs, (dir_list{"A"}));
    EXPECT_EQ(describe(testing_files::error_of([&] { close_directories_1(2, dirs); })), directory_error);
    EXPECT_TRUE(dirs.empty());
}

}  // namespace

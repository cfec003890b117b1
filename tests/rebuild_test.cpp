#include <gtest/gtest.h>

#include "rebuild.hpp"
#include "test_files.hpp"

using namespace drovenna;
using testing_files::describe;
using testing_files::error_of;
using testing_files::input_of;
using testing_files::output_of;

namespace {

// Rebuilds as the program does: base sector read, then stepped back over.
std::string rebuilt(const std::string& old_table, const std::string& listing, std::string* failure) {
    auto old_in = input_of(old_table);
    auto listing_in = input_of(listing);
    std::optional<error> raised;
    std::string result = output_of(
        [&](out_channel& out) {
            std::int64_t base = input_byte(*old_in);
            advance_input(*old_in, -1);
            rebuild(*old_in, *listing_in, out, base);
        },
        &raised);
    *failure = raised ? describe(raised) : "";
    return result;
}

std::string table_of(std::size_t size, unsigned char base) {
    std::string table(size, '\0');
    table[0] = static_cast<char>(base);
    for (std::size_t i = 1; i < size; ++i) table[i] = static_cast<char>(i % 199 + 1);
    return table;
}

std::string with_field(std::string table, std::size_t at, const std::string& field) {
    if (table.size() < at + field.size()) table.resize(at + field.size());
    table.replace(at, field.size(), field);
    return table;
}

const std::string nul(1, '\0');

TEST(Rebuild, WorkedExample) {
    std::string old = table_of(0x600, 0x20);
    std::string failure;
    std::string fresh = rebuilt(old, "00123800|0001E240|000004D2|\\A\\B.BIN\r\n" + nul, &failure);
    EXPECT_EQ(failure, "");
    EXPECT_EQ(fresh, with_field(old, 0x4D2, std::string("\x67\x02\x00\x40\xE2\x01\x00", 7)));
    // The remainder of a data offset below one sector is dropped.
    EXPECT_EQ(rebuilt(old, "00123FFF|0001E240|000004D2|\r\n" + nul, &failure), fresh);
}

struct rebuild_case {
    const char* what;
    std::string listing;
    std::string result;  // applied to the 40-byte old table below
    std::string failure;
};

// Old table: base sector 0x05 and 39 numbered bytes.
const std::string old = table_of(40, 0x05);
const std::string field_a = std::string("\x06\x00\x00\x10\x00\x00\x00", 7);  // sector 1 + 5, size 0x10
const std::string field_b = std::string("\x07\x00\x00\xFF\xFF\xFF\xFF", 7);  // sector 2 + 5, size FFFFFFFF

const rebuild_case cases[] = {
    {"no line: a copy", nul, old, ""},
    {"lower case digits, underscores, any separators, any path bytes",
     "0000_800x000001_0#0000000a" + std::string("\xFF", 1) + "|\\p|a\\th\r\n" + nul, with_field(old, 10, field_a), ""},
    {"empty path", "00000800|00000010|0000000A|\r\n" + nul, with_field(old, 10, field_a), ""},
    {"two fields exactly 7 apart", "00000800|00000010|0000000A|\\a\r\n00001000|FFFFFFFF|00000011|\\b\r\n" + nul,
     with_field(with_field(old, 10, field_a), 17, field_b), ""},
    {"a field reaching past the old end makes the new table longer", "00001000|FFFFFFFF|00000024|\\b\r\n" + nul,
     with_field(old, 36, field_b), ""},
    {"a field starting right at the old end", "00001000|FFFFFFFF|00000028|\\b\r\n" + nul, old + field_b, ""},
    {"a position past the end: the whole old table, then the end of file", "00001000|FFFFFFFF|00000029|\\b\r\n" + nul,
     old, "End_of_file"},
    {"a last line ending with a carriage return only", "00000800|00000010|0000000A|\\a\r",
     with_field(old, 10, field_a).substr(0, 17), "End_of_file"},
    {"a NUL after the carriage return is taken for the line feed", "00000800|00000010|0000000A|\\a\r" + nul,
     with_field(old, 10, field_a).substr(0, 17), "End_of_file"},
    {"no final NUL", "00000800|00000010|0000000A|\\a\r\n", with_field(old, 10, field_a).substr(0, 17), "End_of_file"},
    {"empty listing", "", "", "End_of_file"},
    {"listing ends inside a field", "00000800|0000", "", "End_of_file"},
    {"listing ends inside the path", "00000800|00000010|0000000A|\\abc", "", "End_of_file"},
    {"empty line", "\r\n00000800|00000010|0000000A|\r\n" + nul, "", "Failure(\"int_of_string\")"},
    {"leading underscore", "_0000800|00000010|0000000A|\r\n" + nul, "", "Failure(\"int_of_string\")"},
    {"blank in a field", "00000800| 0000010|0000000A|\r\n" + nul, "", "Failure(\"int_of_string\")"},
    {"minus sign", "-0000800|00000010|0000000A|\r\n" + nul, "", "Failure(\"int_of_string\")"},
    {"prefix", "0x000800|00000010|0000000A|\r\n" + nul, "", "Failure(\"int_of_string\")"},
    {"position of 2^31", "00000800|00000010|80000000|\r\n" + nul, "", "Failure(\"int_of_string\")"},
    {"bad field on a later line keeps the earlier entries",
     "00000800|00000010|0000000A|\r\n00000800|0000001G|00000011|\r\n" + nul, with_field(old, 10, field_a).substr(0, 17),
     "Failure(\"int_of_string\")"},
    // Lines that would write a field anywhere but where they say are refused.
    {"position of 2^30", "00000800|00000010|40000000|\r\n" + nul, "",
     "Failure(\"Listing line 1: location position 40000000 lies beyond the largest table supported (3FFFFFFF)\")"},
    {"position 7FFFFFFF", "00000800|00000010|7FFFFFFF|\r\n" + nul, "",
     "Failure(\"Listing line 1: location position 7FFFFFFF lies beyond the largest table supported (3FFFFFFF)\")"},
    {"overlapping fields", "00000800|00000010|0000000A|\r\n00000800|00000010|00000010|\r\n" + nul,
     with_field(old, 10, field_a).substr(0, 17),
     "Failure(\"Listing line 2: location position 00000010 overlaps or precedes the previous location field, "
     "which ends at 00000011; lines must follow the order of the table\")"},
    {"out of order", "00000800|00000010|00000014|\r\n00000800|00000010|00000002|\r\n" + nul,
     with_field(old, 20, field_a).substr(0, 27),
     "Failure(\"Listing line 2: location position 00000002 overlaps or precedes the previous location field, "
     "which ends at 0000001B; lines must follow the order of the table\")"},
    {"lone line feeds", "00000800|00000010|0000000A|\\a\n00001000|FFFFFFFF|00000011|\\b\r\n" + nul, "",
     "Failure(\"Listing line 1: location position 0000000A: the path holds a line feed; lines must end with a "
     "carriage return and a line feed\")"},
};

TEST(Rebuild, Cases) {
    for (const auto& c : cases) {
        std::string failure;
        EXPECT_EQ(rebuilt(old, c.listing, &failure), c.result) << c.what;
        EXPECT_EQ(failure, c.failure) << c.what;
    }
}

TEST(Rebuild, LargeTableAcrossManyBuffers) {
    std::string big = table_of(3 * channel_buffer_size + 100, 0xFF);
    std::string failure;
    std::string fresh = rebuilt(big, "FFFFFFFF|00000001|00000FFE|\r\n0000_000|00000000|00001005|\r\n" + nul, &failure);
    EXPECT_EQ(failure, "");
    std::string expected = with_field(big, 0xFFE, std::string("\xFE\x00\x20\x01\x00\x00\x00", 7));
    expected = with_field(expected, 0x1005, std::string("\xFF\x00\x00\x00\x00\x00\x00", 7));
    EXPECT_EQ(fresh, expected);
}

TEST(FieldValue, HexadecimalWithUnderscores) {
    EXPECT_EQ(field_value("0000abcd"), 0xABCD);
    EXPECT_EQ(field_value("0000ABCD"), 0xABCD);
    EXPECT_EQ(field_value("0001_000"), 0x1000);
    EXPECT_EQ(field_value("F_______"), 0xF);
    EXPECT_EQ(field_value("FFFFFFFF"), 0xFFFFFFFFLL);
    for (const std::string& bad :
         std::vector<std::string>{"_0001000", "0000000g", "+0000001", "0000 001", std::string("0000000\0", 8)}) {
        EXPECT_EQ(describe(error_of([&] { field_value(bad); })), "Failure(\"int_of_string\")") << bad;
    }
}

TEST(ListingEntry, KeepsThePathWhenAsked) {
    // Lines that cross buffer boundaries, a path holding "|" and a line feed,
    // an empty path, and a path cut at its carriage return.
    std::string long_path(channel_buffer_size + 300, 'p');
    std::string listing = "00000800|00000010|00000013|" + long_path + "\r\n" +
                          "00001000|00000020|00000020|\\A|B\nC\r\n" + "00001800|00000030|00000030|\r\n" +
                          "00002000|00000040|00000040|\\D\rE\n" + nul;
    auto in = input_of(listing);
    const std::string paths[] = {long_path, "\\A|B\nC", "", "\\D"};
    for (const std::string& expected : paths) {
        path_text path;
        listing_entry entry = read_listing_entry(*in, &path);
        ASSERT_FALSE(entry.end);
        EXPECT_EQ(path.bytes, expected);
        EXPECT_EQ(path.length, static_cast<std::int64_t>(expected.size()));
        EXPECT_EQ(entry.path_has_line_feed, expected.find('\n') != std::string::npos);
    }
    // The byte after the carriage return, "E", is skipped unread; "\n" then
    // starts a line that ends inside its first field.
    EXPECT_EQ(describe(error_of([&] { read_listing_entry(*in); })), "End_of_file");
}

TEST(ListingEntry, OverlongPathsAreKeptUpToTheLimitAndHashedBeyond) {
    std::string start(max_kept_path, 'a');
    auto kept = [&](const std::string& tail) {
        auto in = input_of("00000000|00000000|00000000|" + start + tail + "\r\n" + nul);
        path_text path;
        read_listing_entry(*in, &path);
        return path;
    };
    path_text one = kept("xy"), other = kept("yx"), same = kept("xy");
    EXPECT_EQ(one.bytes, start);
    EXPECT_EQ(one.length, static_cast<std::int64_t>(max_kept_path + 2));
    EXPECT_NE(one.tail_hash, other.tail_hash);
    EXPECT_EQ(one.tail_hash, same.tail_hash);
    // Pieces given one by one keep the same as one piece.
    path_text pieces;
    keep_path_piece(pieces, start.substr(0, 100));
    keep_path_piece(pieces, start.substr(100) + "x");
    keep_path_piece(pieces, "y");
    EXPECT_EQ(pieces.bytes, one.bytes);
    EXPECT_EQ(pieces.length, one.length);
    EXPECT_EQ(pieces.tail_hash, one.tail_hash);
}

}  // namespace

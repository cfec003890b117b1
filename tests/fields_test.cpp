#include <gtest/gtest.h>

#include "fields.hpp"
#include "test_files.hpp"

using namespace drovenna;
using testing_files::bytes_of;
using testing_files::describe;
using testing_files::error_of;
using testing_files::input_of;
using testing_files::output_of;

namespace {

TEST(SplitNibbles, HighAndLow) {
    EXPECT_EQ(split_nibbles(0xC5), std::make_pair(12, 5));
    EXPECT_EQ(split_nibbles(0x80), std::make_pair(8, 0));
    EXPECT_EQ(split_nibbles(0x0F), std::make_pair(0, 15));
    EXPECT_EQ(split_nibbles(0xFF), std::make_pair(15, 15));
}

TEST(ReadBytes, TakesExactlyItsBytes) {
    auto in = input_of(bytes_of("41 00 42 43 44"));
    EXPECT_EQ(read_bytes(*in, 0), "");
    EXPECT_EQ(read_bytes(*in, 3), std::string("A\0B", 3));
    EXPECT_EQ(input_byte(*in), 'C');
}

TEST(ReadBytes, NegativeLengthReadsNothing) {
    auto in = input_of("XY");
    EXPECT_EQ(describe(error_of([&] { read_bytes(*in, -1); })), "Invalid_argument(\"String.create\")");
    EXPECT_EQ(input_byte(*in), 'X');
}

TEST(ReadBytes, EndOfFileInsideTheField) {
    auto in = input_of("AB");
    EXPECT_EQ(describe(error_of([&] { read_bytes(*in, 3); })), "End_of_file");
}

TEST(ReadName, CountsTheThreeHeaderBytes) {
    auto in = input_of("SND");
    EXPECT_EQ(read_name(3, *in), "");
    EXPECT_EQ(read_name(6, *in), "SND");
    EXPECT_EQ(describe(error_of([&] { read_name(2, *in); })), "Invalid_argument(\"String.create\")");
}

struct lba_case {
    std::string bytes;
    std::int64_t base;
    std::int64_t offset;
};

TEST(ReadLbaOffset, SectorRelativeToTheBaseTimes2048) {
    const lba_case cases[] = {
        {"34 12 00", 0x10, (0x1234 - 0x10) * 2048LL}, {"00 00 00", 1, -2048},
        {"FF FF FF", 0, 0xFFFFFFLL * 2048},           {"20 00 00", 0x20, 0},
        {"00 00 80", 0, 0x800000LL * 2048},
    };
    for (const auto& c : cases) {
        auto in = input_of(bytes_of(c.bytes));
        EXPECT_EQ(read_lba_offset(*in, c.base), c.offset) << c.bytes;
    }
}

TEST(ReadLbaOffset, EndOfFileAfterTwoBytes) {
    auto in = input_of(bytes_of("01 02"));
    EXPECT_EQ(describe(error_of([&] { read_lba_offset(*in, 0); })), "End_of_file");
}

TEST(ReadU32, LittleEndianAndNeverNegative) {
    auto in = input_of(bytes_of("FF FF FF FF 01 00 00 00 45 23 01 80"));
    EXPECT_EQ(read_u32(*in), 0xFFFFFFFFLL);
    EXPECT_EQ(read_u32(*in), 1);
    EXPECT_EQ(read_u32(*in), 0x80012345LL);
    EXPECT_EQ(describe(error_of([&] { read_u32(*in); })), "End_of_file");
}

TEST(DirPath, OutermostFirstWithABackslashAfterEachName) {
    EXPECT_EQ(dir_path({}), "\\");
    EXPECT_EQ(dir_path({"A", "B"}), "\\A\\B\\");
    EXPECT_EQ(dir_path({"SND", "", "X"}), "\\SND\\\\X\\");
    EXPECT_EQ(output_of([](out_channel& out) { write_dir_path(out, {"SND", "BGM"}); }), "\\SND\\BGM\\");
}

}  // namespace

#include <gtest/gtest.h>

#include "channel.hpp"
#include "test_files.hpp"

using namespace drovenna;
using testing_files::describe;
using testing_files::error_of;
using testing_files::input_of;
using testing_files::output_of;
using testing_files::temp_file;

namespace {

std::string numbered_bytes(int n) {
    std::string bytes;
    for (int i = 0; i < n; ++i) bytes += static_cast<char>(i * 7 % 251);
    return bytes;
}

TEST(InputChannel, ReadsEveryByteAcrossBuffersThenEndOfFile) {
    std::string bytes = numbered_bytes(3 * channel_buffer_size + 17);
    auto in = input_of(bytes);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        ASSERT_EQ(input_position(*in), static_cast<std::int64_t>(i));
        ASSERT_EQ(input_byte(*in), static_cast<unsigned char>(bytes[i]));
    }
    EXPECT_EQ(describe(error_of([&] { input_byte(*in); })), "End_of_file");
    EXPECT_EQ(input_byte_or_end(*in), -1);
}

TEST(InputChannel, SeeksInsideAndOutsideTheBuffer) {
    std::string bytes = numbered_bytes(2 * channel_buffer_size);
    auto in = input_of(bytes);
    input_byte(*in);
    input_byte(*in);
    advance_input(*in, -2);
    EXPECT_EQ(input_byte(*in), static_cast<unsigned char>(bytes[0]));
    // Exactly to the end of the buffered bytes, then well past them.
    set_input_position(*in, channel_buffer_size);
    EXPECT_EQ(input_byte(*in), static_cast<unsigned char>(bytes[channel_buffer_size]));
    set_input_position(*in, 10);
    EXPECT_EQ(input_position(*in), 10);
    EXPECT_EQ(input_byte(*in), static_cast<unsigned char>(bytes[10]));
    advance_input(*in, channel_buffer_size + 100);
    EXPECT_EQ(input_byte(*in), static_cast<unsigned char>(bytes[channel_buffer_size + 111]));
}

TEST(InputChannel, BytesBufferedAheadAreTakenInRuns) {
    std::string bytes = numbered_bytes(channel_buffer_size + 10);
    auto in = input_of(bytes);
    EXPECT_TRUE(buffered_ahead(*in).empty());  // nothing read yet
    ASSERT_TRUE(load_ahead(*in));
    EXPECT_EQ(input_offset(*in), 0);
    EXPECT_EQ(buffered_ahead(*in), std::string_view(bytes).substr(0, channel_buffer_size));
    consume(*in, channel_buffer_size - 1);
    EXPECT_EQ(input_position(*in), channel_buffer_size - 1);
    // One byte ahead: load_ahead loads nothing and moves nothing.
    ASSERT_TRUE(load_ahead(*in));
    EXPECT_EQ(buffered_ahead(*in), std::string_view(bytes).substr(channel_buffer_size - 1, 1));
    consume(*in, 1);
    ASSERT_TRUE(load_ahead(*in));
    EXPECT_EQ(input_offset(*in), channel_buffer_size);
    EXPECT_EQ(buffered_ahead(*in), std::string_view(bytes).substr(channel_buffer_size));
    consume(*in, 10);
    EXPECT_FALSE(load_ahead(*in));
    EXPECT_EQ(input_offset(*in), channel_buffer_size + 10);
    EXPECT_EQ(describe(error_of([&] { input_byte(*in); })), "End_of_file");
}

TEST(InputChannel, SeekPastTheEndIsNoErrorButTheNextReadIs) {
    auto in = input_of("abc");
    input_byte(*in);
    advance_input(*in, 7);
    EXPECT_EQ(input_position(*in), 8);
    EXPECT_EQ(describe(error_of([&] { input_byte(*in); })), "End_of_file");
    set_input_position(*in, 100000);
    EXPECT_EQ(input_byte_or_end(*in), -1);
}

TEST(InputChannel, PositionsFrom2To30AreTooLarge) {
    auto in = input_of("abc");
    set_input_position(*in, (std::int64_t{1} << 30) - 1);
    EXPECT_EQ(input_position(*in), (std::int64_t{1} << 30) - 1);
    set_input_position(*in, std::int64_t{1} << 30);
    EXPECT_EQ(describe(error_of([&] { input_position(*in); })), "Sys_error(\"Result too large\")");
}

TEST(InputChannel, MissingFileNamesThePath) {
    std::string path = (temp_file().parent_path() / "drovenna-no-such-dir" / "00file").string();
    EXPECT_EQ(describe(error_of([&] { open_in(path); })), "Sys_error(\"" + path + ": No such file or directory\")");
}

TEST(OutputChannel, PositionCountsBufferedBytesAndEverythingArrives) {
    std::string big = numbered_bytes(3 * channel_buffer_size + 5);
    std::string written = output_of([&](out_channel& out) {
        EXPECT_EQ(output_position(out), 0);
        output_byte(out, 'x');
        EXPECT_EQ(output_position(out), 1);
        output_bytes(out, big);
        EXPECT_EQ(output_position(out), static_cast<std::int64_t>(big.size() + 1));
        for (int i = 0; i < channel_buffer_size; ++i) output_byte(out, 'y');
        flush(out);
        output_bytes(out, "end");
    });
    EXPECT_EQ(written, "x" + big + std::string(channel_buffer_size, 'y') + "end");
}

TEST(OutputChannel, CannotCreateInAMissingDirectory) {
    std::string path = (temp_file().parent_path() / "drovenna-no-such-dir" / "lba").string();
    EXPECT_EQ(describe(error_of([&] { open_out(path); })), "Sys_error(\"" + path + ": No such file or directory\")");
}

TEST(OutputChannel, OpeningTruncates) {
    auto path = temp_file("old contents");
    out_channel& out = open_out(path.string());
    output_bytes(out, "new");
    close_out(out);
    EXPECT_EQ(testing_files::read_file(path), "new");
}

}  // namespace

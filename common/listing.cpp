#include "listing.hpp"

#include <array>
#include <cstring>
#include <string_view>

#include "error.hpp"
#include "hex.hpp"

namespace drovenna {

namespace {

// The two hexadecimal digits of every byte value: three numbers on every
// listing line, so they are formatted a byte at a time.
constexpr std::array<char, 512> digit_pairs = [] {
    std::array<char, 512> pairs{};
    for (int b = 0; b < 256; ++b) {
        pairs[static_cast<std::size_t>(2 * b)] = "0123456789ABCDEF"[b >> 4];
        pairs[static_cast<std::size_t>(2 * b + 1)] = "0123456789ABCDEF"[b & 15];
    }
    return pairs;
}();

// The 8 low hexadecimal digits of a value, most significant first, as
// create_hexa writes them (a negative value as its two's complement).
void put_hex8(char* out, std::int64_t value) {
    auto bits = static_cast<std::uint32_t>(value);
    for (int i = 6; i >= 0; i -= 2, bits >>= 8) std::memcpy(out + i, &digit_pairs[2 * (bits & 0xFF)], 2);
}

}  // namespace

void check_unusual_listing_head(std::int64_t offset, std::int64_t size, std::int64_t position) {
    if (offset >= listing_field_limit) {
        fail("Data offset " + hex_text(offset, 8) + " of the file whose location field is at position " +
             hex_text(position, 8) + " does not fit in 8 hexadecimal digits");
    }
    if (offset < 0 || size < 0 || position < 0) {
        // create_hexa refuses a negative value (an offset below the base
        // sector, say), the offset first; a multiple of 16^8 passes as zeros.
        std::string field(8, '\0');
        create_hexa(offset, 8, field);
        create_hexa(size, 8, field);
        create_hexa(position, 8, field);
    }
}

void write_listing_head(out_channel& out, std::int64_t offset, std::int64_t size, std::int64_t position,
                        const dir_list& dirs) {
    check_listing_head(offset, size, position);
    // The three numbers and their separators go out in one piece.
    char head[27];
    put_hex8(head, offset);
    put_hex8(head + 9, size);
    put_hex8(head + 18, position);
    head[8] = head[17] = head[26] = '|';
    output_bytes(out, std::string_view(head, sizeof head));
    write_dir_path(out, dirs);
}

extraction start_extraction(const argument_list& args) {
    extraction job;
    job.table = open_in(argument(args, 1));
    refuse_same_file(*job.table, argument(args, 2), "the table file");
    job.listing = &open_out(argument(args, 2));
    job.base = input_byte(*job.table);
    return job;
}

void finish_extraction(extraction& job) {
    output_byte(*job.listing, 0);
    close_in(*job.table);
    close_out(*job.listing);
    job.listing = nullptr;
}

}  // namespace drovenna

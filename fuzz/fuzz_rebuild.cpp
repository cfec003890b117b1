// The listing reader and the rewriting of tablebuild on any bytes.
//
// Input: a 2-byte little-endian length n, then n bytes of old table (fewer
// if the input is shorter), then the listing. A thrown error is an expected
// outcome; a crash, a sanitizer report, a hang or a leak is not.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "channel.hpp"
#include "error.hpp"
#include "fuzz_files.hpp"
#include "rebuild.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace drovenna;
    static const fuzz::memory_file old_file = fuzz::make_memory_file("old_table");
    static const fuzz::memory_file listing_file = fuzz::make_memory_file("listing");
    static const fuzz::memory_file new_file = fuzz::make_memory_file("new_table");
    if (size < 2) return 0;
    std::size_t table_size = std::min<std::size_t>(data[0] | std::size_t{data[1]} << 8, size - 2);
    fuzz::fill(old_file, data + 2, table_size);
    fuzz::fill(listing_file, data + 2 + table_size, size - 2 - table_size);
    int free_before = fuzz::lowest_free_descriptor();
    {
        auto old_table = open_in(old_file.path);
        auto listing = open_in(listing_file.path);
        out_channel& new_table = open_out(new_file.path);
        try {
            std::int64_t base = input_byte(*old_table);
            advance_input(*old_table, -1);
            rebuild(*old_table, *listing, new_table, base);
        } catch (const error&) {
        }
        // open_out's channel stays registered until closed, whatever happened.
        close_out(new_table);
        close_in(*old_table);
        close_in(*listing);
    }
    fuzz::check_descriptors(free_before);
    return 0;
}

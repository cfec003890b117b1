// The episode II/III walk on any bytes as the table. A thrown error is an
// expected outcome; a crash, a sanitizer report, a hang or a leak is not.
#include <cstddef>
#include <cstdint>
#include <string>

#include "channel.hpp"
#include "error.hpp"
#include "extract_walk.hpp"
#include "fuzz_files.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace drovenna;
    static const fuzz::memory_file table_file = fuzz::make_memory_file("table");
    static const fuzz::memory_file listing_file = fuzz::make_memory_file("listing");
    fuzz::fill(table_file, data, size);
    int free_before = fuzz::lowest_free_descriptor();
    {
        auto table = open_in(table_file.path);
        out_channel& listing = open_out(listing_file.path);
        try {
            std::int64_t base = input_byte(*table);
            std::string file_name(file_name_buffer_size, 'a');
            dir_list dirs;
            walk_table(*table, listing, file_name, dirs, base);
            output_byte(listing, 0);
        } catch (const error&) {
        }
        // open_out's channel stays registered until closed, whatever happened.
        close_out(listing);
        close_in(*table);
    }
    fuzz::check_descriptors(free_before);
    return 0;
}
